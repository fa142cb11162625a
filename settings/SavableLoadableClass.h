#pragma once
// Anything that loads and saves itself from and to a settings store.
#include <cstdint>

#include "settings/ProgramSettingsDatabase.h"

class SavableLoadableClass {
public:
  virtual ~SavableLoadableClass() = default;
  virtual uint32_t LoadProgramSettings(uint32_t /*hostContext*/, SettingsStore /*store*/) { return 0; }
  virtual uint32_t SaveProgramSettings(uint32_t /*hostContext*/, SettingsStore /*store*/) { return 0; }
};
