#include "settings/SaveLoadConfigurationConvertor.h"

uint32_t SaveLoadConfigurationConvertor::LoadConfiguration(uint32_t hostContext, const char* fileName) {
  SettingsStore store = CreateINIProgramSettingsDatabase(fileName ? fileName : "");
  if (!store) return 0;
  store->Open();
  store->PushTable("Common");
  const bool advancedPressed = store->Read("AdvancedPressed", true);
  store->PopTable();
  store->SetAdvancedNotPressed(!advancedPressed);
  const uint32_t status = LoadProgramSettings(hostContext, store);
  store->Close();
  return status;
}

uint32_t SaveLoadConfigurationConvertor::SaveConfiguration(uint32_t hostContext, const char* fileName) {
  SettingsStore store = CreateINIProgramSettingsDatabase(fileName ? fileName : "");
  if (!store) return 0;
  store->Open();
  const uint32_t status = SaveProgramSettings(hostContext, store);
  store->Close();
  return status;
}
