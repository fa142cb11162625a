#pragma once
// Turns the host's file-name based load and save into calls on an INI store.
#include "settings/SavableLoadableClass.h"

class SaveLoadConfigurationConvertor : public SavableLoadableClass {
public:
  virtual uint32_t LoadConfiguration(uint32_t hostContext, const char* fileName);
  virtual uint32_t SaveConfiguration(uint32_t hostContext, const char* fileName);
};
