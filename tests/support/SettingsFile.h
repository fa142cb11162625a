#pragma once
// Loading and saving an object's settings from and to an INI file, as a
// driver's LoadConfiguration and SaveConfiguration do, without the driver.
#include <string>

#include "settings/ProgramSettingsDatabase.h"
#include "settings/SavableLoadableClass.h"

inline uint32_t LoadFile(SavableLoadableClass& target, const std::string& path) {
  SettingsStore store = CreateINIProgramSettingsDatabase(path);
  store->Open();
  const uint32_t status = target.LoadProgramSettings(0, store);
  store->Close();
  return status;
}

inline uint32_t SaveFile(SavableLoadableClass& target, const std::string& path) {
  SettingsStore store = CreateINIProgramSettingsDatabase(path);
  store->Open();
  const uint32_t status = target.SaveProgramSettings(0, store);
  store->Close();
  return status;
}
