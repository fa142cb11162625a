#include "settings/SaveLoadConfigurationConvertor.h"

uint32_t SaveLoadConfigurationConvertor::LoadConfiguration(uint32_t hostContext, const char* fileName) {
  SettingsStore store = CreateINIProgramSettingsDatabase(fileName ? fileName : "");
  if (!store) return 0;
  store->Open();
  const uint32_t status = LoadConfigurationFrom(hostContext, store);
  store->Close();
  return status;
}

uint32_t SaveLoadConfigurationConvertor::SaveConfiguration(uint32_t hostContext, const char* fileName) {
  lastSaveFailure_.clear();
  SettingsStore store = CreateINIProgramSettingsDatabase(fileName ? fileName : "");
  if (!store) return 0;
  store->Open();
  const uint32_t status = SaveConfigurationTo(hostContext, store);
  store->Close();
  lastSaveFailure_ = store->FirstWriteFailure();
  return status;
}

uint32_t SaveLoadConfigurationConvertor::LoadConfigurationFrom(uint32_t hostContext,
                                                               SettingsStore store) {
  if (!store) return 0;
  store->PushTable("Common");
  const bool advancedPressed = store->Read("AdvancedPressed", true);
  store->PopTable();
  store->SetAdvancedNotPressed(!advancedPressed);
  return LoadProgramSettings(hostContext, store);
}

uint32_t SaveLoadConfigurationConvertor::SaveConfigurationTo(uint32_t hostContext,
                                                             SettingsStore store) {
  if (!store) return 0;
  return SaveProgramSettings(hostContext, store);
}
