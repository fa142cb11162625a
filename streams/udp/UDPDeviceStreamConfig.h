#pragma once
// The settings of a UDP instrument: table "Ethernet", key "Address"; the
// server defaults to this computer, the port to 63452.
#include "streams/tcp/NetworkBasedDeviceStreamConfig.h"

class UDPDeviceStreamConfig : public NetworkBasedDeviceStreamConfig {
public:
  static constexpr const char* kTypeName = "UDP";
  static constexpr const char* kDefaultServer = "localhost";
  static constexpr uint16_t kDefaultPort = 63452;

  UDPDeviceStreamConfig() : NetworkBasedDeviceStreamConfig("Ethernet", "UDP:", kDefaultServer, kDefaultPort) {}
  std::string GetStreamTypeName() const override { return kTypeName; }
};
