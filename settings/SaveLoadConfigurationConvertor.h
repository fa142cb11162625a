#pragma once
// Turns the host's file-name based load and save into calls on an INI store.
#include "settings/SavableLoadableClass.h"

class SaveLoadConfigurationConvertor : public SavableLoadableClass {
public:
  // Opens an INI store on the file, runs the store-based step below, closes
  // it. A store that cannot be created gives 0 and touches nothing.
  virtual uint32_t LoadConfiguration(uint32_t hostContext, const char* fileName);
  virtual uint32_t SaveConfiguration(uint32_t hostContext, const char* fileName);

  // The same on a store the caller has opened: the load reads
  // [Common] AdvancedPressed into the store's flag, then both run
  // LoadProgramSettings / SaveProgramSettings and return its status.
  uint32_t LoadConfigurationFrom(uint32_t hostContext, SettingsStore store);
  uint32_t SaveConfigurationTo(uint32_t hostContext, SettingsStore store);

  // Why the last SaveConfiguration lost a value; empty when every value
  // reached the file.
  const std::string& LastSaveFailure() const { return lastSaveFailure_; }

private:
  std::string lastSaveFailure_;
};
