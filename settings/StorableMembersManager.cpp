#include "settings/StorableMembersManager.h"

uint32_t StorableMembersManager::LoadProgramSettings(uint32_t hostContext, SettingsStore store) {
  if (!store) return 0;
  for (SavableLoadableClass* member : members_) {
    if (!member) continue;
    if (const uint32_t status = member->LoadProgramSettings(hostContext, store)) return status;
  }
  return 0;
}

uint32_t StorableMembersManager::SaveProgramSettings(uint32_t hostContext, SettingsStore store) {
  if (!store) return 0;
  for (SavableLoadableClass* member : members_) {
    if (!member) continue;
    if (const uint32_t status = member->SaveProgramSettings(hostContext, store)) return status;
  }
  return 0;
}
