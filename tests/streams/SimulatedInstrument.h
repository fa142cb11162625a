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
    DeviceStreamSettings settings = client.GetStreamSettings();
    settings.timeoutSeconds = timeoutSeconds;
    client.SetStreamSettings(settings);
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

// Writes a query to an instrument that never answers and reads: the read must
// end with the time-out status and no answer, at the configured time-out (in seconds).
inline void ExpectReadToTimeOut(SimulatedInstrument& bench, double timeout) {
  std::string answer;
  ASSERT_EQ(bench.client.Write(0, "*IDN?", false), 0u);
  Status status = 0;
  const double seconds = SecondsOf([&] { status = bench.client.Read(0, answer, 100); });
  EXPECT_EQ(status, streamstatus::kReadTimedOut);
  EXPECT_EQ(answer, "");
  ExpectEndedAtTimeout(seconds, timeout);
}
