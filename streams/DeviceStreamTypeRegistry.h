#pragma once
// The two process-wide registries of stream types: a stream type name
// ("TCPIP", "RS-232", ...) maps to a creator of its configuration and to a
// creator of its stream. Each transport registers both at start-up.
#include <functional>
#include <string>
#include <vector>

#include "streams/DeviceStream.h"
#include "streams/DeviceStreamConfiguration.h"

class DeviceStreamTypeRegistry {
public:
  using ConfigurationCreator = std::function<DeviceStreamConfigurationPtr()>;
  using StreamCreator = std::function<DeviceStreamPtr()>;

  // Returns true, so that a registration can initialise a static constant.
  static bool RegisterConfiguration(const std::string& typeName, ConfigurationCreator creator);
  static bool RegisterStream(const std::string& typeName, StreamCreator creator);

  // Null when the name is not registered.
  static DeviceStreamConfigurationPtr CreateConfiguration(const std::string& typeName);
  static DeviceStreamPtr CreateStream(const std::string& typeName);

  static std::vector<std::string> ConfigurationTypeNames();
  static std::vector<std::string> StreamTypeNames();
};
