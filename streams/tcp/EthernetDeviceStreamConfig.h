#pragma once
// The settings of a TCP instrument: table "Ethernet", key "Address"; the
// server defaults to the instruments' factory address, the port to 7895.
#include "streams/tcp/NetworkBasedDeviceStreamConfig.h"

class EthernetDeviceStreamConfig : public NetworkBasedDeviceStreamConfig {
public:
  static constexpr const char* kTypeName = "TCPIP";
  static constexpr const char* kDefaultServer = "192.168.0.10";
  static constexpr uint16_t kDefaultPort = 7895;

  EthernetDeviceStreamConfig() : NetworkBasedDeviceStreamConfig("Ethernet", "ETHER:", kDefaultServer, kDefaultPort) {}
  std::string GetStreamTypeName() const override { return kTypeName; }
};
