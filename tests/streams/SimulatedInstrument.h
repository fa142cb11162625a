#pragma once
// An instrument of the in-process simulator and a stream client configured
// for it, for the tests of the network transports.
#include <chrono>
#include <memory>
#include <string>

#include "sim/core/Simulator.h"
#include "streams/StreamTestSupport.h"
#include "streams/tcp/NetworkBasedDeviceStreamConfig.h"

struct SimulatedInstrument {
  // Adds the instrument "dmm" with the keys; `type` is the stream type the
  // client offers ("TCPIP", "UDP", "HTTP"), its address the instrument's.
  SimulatedInstrument(const std::string& type, const sim::Simulator::Keys& keys, double timeoutSeconds = 1.0)
      : dmm(simulator.Add("dmm", keys)),
        port(dmm.Endpoint().port),
        cleanup(IdPrefix(type) + "127.0.0.1:" + std::to_string(port)) {
    EnsureWxRuntime();
    Offer(client, type);
    SetClientTimeout(client, timeoutSeconds);
  }

  // Makes another client offer the instrument.
  void Offer(DeviceStreamClientWithStream& other, const std::string& type) const {
    other.Manager().AddStreamConfiguration(type);
    other.Manager().SetDefaultTypeName(type);
    other.SelectedConfigurationAs<NetworkBasedDeviceStreamConfig>()->SetAddress(Address());
  }
  std::string Address() const { return "127.0.0.1:" + std::to_string(port); }

  static std::string IdPrefix(const std::string& type) {
    return type == "TCPIP" ? "ETHER:" : type == "UDP" ? "UDP:" : "HTTP:";
  }

  bool WaitForCommands(size_t count) const { return dmm.WaitForCommands(count, std::chrono::seconds(10)); }

  sim::Simulator simulator;
  sim::Instrument& dmm;
  uint16_t port;
  StreamLockCleanup cleanup;
  DeviceStreamClientWithStream client;
};
