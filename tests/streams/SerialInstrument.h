#pragma once
// A simulated instrument on a pseudo-terminal linked as COMn in a private
// ports directory (which $SWMATRIX_PORTS names), and a stream client
// configured for it.
#include <chrono>
#include <string>

#include "legacy/LegacyTestBench.h"
#include "legacy/RS232DeviceDriver.h"
#include "streams/StreamTestSupport.h"
#include "streams/rs232/RS232DeviceStreamConfiguration.h"

struct SerialInstrument {
  explicit SerialInstrument(sim::Simulator::Keys keys, double timeoutSeconds = 1.0)
      : dmm(&bench.AddSerial("dmm", com, std::move(keys))) {
    EnsureWxRuntime();
    Offer(client);
    SetClientTimeout(client, timeoutSeconds);
  }
  ~SerialInstrument() { client.DisconnectStream(0); }

  // Makes a client offer the instrument's port.
  void Offer(DeviceStreamClientWithStream& other) const {
    other.Manager().AddStreamConfiguration(RS232DeviceStreamConfiguration::kTypeName);
    other.Manager().SetDefaultTypeName(RS232DeviceStreamConfiguration::kTypeName);
    Configuration(other)->SetCOMPort(com);
  }
  static std::shared_ptr<RS232DeviceStreamConfiguration> Configuration(DeviceStreamClientWithStream& other) {
    return other.SelectedConfigurationAs<RS232DeviceStreamConfiguration>();
  }
  bool WaitForCommands(size_t count) const { return dmm->WaitForCommands(count, std::chrono::seconds(10)); }

  LegacyTestBench bench{"serial"};
  // The COM number of the instrument. Any number does: the port is a link
  // in a private ports directory and every test process has its own lock
  // namespace (support/TestMain.cpp), so tests side by side never meet.
  const int com = 7;
  sim::Instrument* dmm;
  DeviceStreamClientWithStream client;
};
