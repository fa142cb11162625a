#pragma once
// A simulated instrument on a pseudo-terminal linked as COMn in a private
// ports directory (which $SWMATRIX_PORTS names), and a stream client
// configured for it.
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "legacy/RS232DeviceDriver.h"
#include "support/TestFiles.h"
#include "sim/core/Simulator.h"
#include "streams/StreamTestSupport.h"
#include "streams/rs232/RS232DeviceStreamConfiguration.h"

// The COM number of a test's instrument. Any number does: the port is a link
// in a private ports directory and every test process has its own lock
// namespace (support/TestMain.cpp), so tests side by side never meet.
inline int ProcessComPort() { return 7; }

struct SerialInstrument {
  explicit SerialInstrument(sim::Simulator::Keys keys, double timeoutSeconds = 1.0)
      : com(ProcessComPort()) {
    EnsureWxRuntime();
    std::filesystem::create_directories(Ports());
    setenv("SWMATRIX_PORTS", Ports().c_str(), 1);
    simulator.SetPortsDirectory(Ports());
    keys.emplace_back("transport", "pty");
    keys.emplace_back("com", std::to_string(com));
    dmm = &simulator.Add("dmm", keys);
    Offer(client);
    DeviceStreamSettings settings = client.GetStreamSettings();
    settings.timeoutSeconds = timeoutSeconds;
    client.SetStreamSettings(settings);
  }
  ~SerialInstrument() {
    client.DisconnectStream(0);
    simulator.Stop();
  }

  // Makes a client offer the instrument's port.
  void Offer(DeviceStreamClientWithStream& other) const {
    other.Manager().AddStreamConfiguration(RS232DeviceStreamConfiguration::kTypeName);
    other.Manager().SetDefaultTypeName(RS232DeviceStreamConfiguration::kTypeName);
    Configuration(other)->SetCOMPort(com);
  }
  static std::shared_ptr<RS232DeviceStreamConfiguration> Configuration(DeviceStreamClientWithStream& other) {
    return other.SelectedConfigurationAs<RS232DeviceStreamConfiguration>();
  }
  std::string Ports() const { return directory.Path() + "/ports"; }
  bool WaitForCommands(size_t count) const { return dmm->WaitForCommands(count, std::chrono::seconds(10)); }

  TestDirectory directory;
  int com;
  sim::Simulator simulator;
  sim::Instrument* dmm = nullptr;
  DeviceStreamClientWithStream client;
};
