#pragma once
// The settings of an instrument with a web interface: table "HTTP", key
// "Address"; the server defaults to a placeholder address, the port to 80.
#include "streams/tcp/NetworkBasedDeviceStreamConfig.h"

class HTTPDeviceStreamConfig : public NetworkBasedDeviceStreamConfig {
public:
  static constexpr const char* kTypeName = "HTTP";
  static constexpr const char* kDefaultServer = "www.example.com";
  static constexpr uint16_t kDefaultPort = 80;

  HTTPDeviceStreamConfig() : NetworkBasedDeviceStreamConfig("HTTP", "HTTP:", kDefaultServer, kDefaultPort) {}
  std::string GetStreamTypeName() const override { return kTypeName; }
};
