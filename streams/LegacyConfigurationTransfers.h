#pragma once
// How a transport's configuration takes over the settings of the older bus
// layer's configuration objects (the tables "GPIB" and "RS232" that older
// drivers wrote), and writes its values back through them. A transport whose
// settings have such a counterpart registers a transfer under its stream
// type name; the configuration manager runs them in its legacy load and save.
#include <functional>
#include <string>

#include "settings/ProgramSettingsDatabase.h"
#include "streams/DeviceStreamConfiguration.h"

struct LegacyConfigurationTransfer {
  // Loads the legacy object from the store and copies its values into the configuration.
  std::function<Status(uint32_t hostContext, const SettingsStore& store, DeviceStreamConfiguration& configuration)>
      load;
  // Copies the configuration into the legacy object and saves that.
  std::function<Status(uint32_t hostContext, const SettingsStore& store,
                       const DeviceStreamConfiguration& configuration)>
      save;
};

class LegacyConfigurationTransfers {
public:
  // Returns true, so that a registration can initialise a static constant.
  static bool Register(const std::string& typeName, LegacyConfigurationTransfer transfer);
  // Null when the type has none.
  static const LegacyConfigurationTransfer* Find(const std::string& typeName);
  // Forgets one (for tests that register their own).
  static void Unregister(const std::string& typeName);
};
