#pragma once
// The surroundings of a legacy bus test: a temporary directory, a simulator
// in the test process with its bus socket and a ports directory, and the
// environment that points the module at them and at the simulated vendor
// libraries. The registry stand-in is an empty file unless a test writes one.
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "framework/Status.h"
#include "sim/core/Simulator.h"
#include "support/TestFiles.h"

inline std::string LegacyTempDir(const std::string& stem) {
  static std::atomic<int> counter{0};
  const std::string path = ::testing::TempDir() + "swm-legacy-" + stem + "-" + std::to_string(getpid()) + "-" +
                           std::to_string(counter++);
  std::filesystem::remove_all(path);
  std::filesystem::create_directories(path);
  return path;
}

// The text a legacy bus object (GPIB, VISA, serial port) gives for a status.
template <class Device>
std::string ErrorText(Device& device, Status status) {
  char buffer[512];
  uint32_t count = 0;
  EXPECT_EQ(device.GetErrorString(0, status, buffer, sizeof buffer, &count), 0u);
  return std::string(buffer, count);
}

class LegacyTestBench {
public:
  explicit LegacyTestBench(const std::string& stem) : directory_(LegacyTempDir(stem)) {
    std::filesystem::create_directories(PortsDirectory());
    simulator_.SetPortsDirectory(PortsDirectory());
    simulator_.SetBoardAddress(0);
    const std::string error = simulator_.ListenBus(BusPath());
    EXPECT_EQ(error, "");
    setenv("SWMATRIX_SIM_BUS", BusPath().c_str(), 1);
    setenv("SWMATRIX_PORTS", PortsDirectory().c_str(), 1);
    setenv("SWMATRIX_GPIB_LIBRARY", SimulatedLibrary("libgpib.so.0").c_str(), 1);
    // The module's code is linked into the test program here, so the
    // service-request library is not beside it: it is named.
    setenv("SWMATRIX_GPIBSRQ_LIBRARY", ServiceRequestLibrary().c_str(), 1);
    setenv("SWMATRIX_VISA_LIBRARY", SimulatedLibrary("libvisa.so").c_str(), 1);
    WriteRegistry("");
  }
  ~LegacyTestBench() {
    simulator_.Stop();
    std::error_code ignored;
    std::filesystem::remove_all(directory_, ignored);
  }

  sim::Simulator& Simulator() { return simulator_; }
  const std::string& Directory() const { return directory_; }
  std::string BusPath() const { return directory_ + "/bus"; }
  std::string PortsDirectory() const { return directory_ + "/ports"; }
  std::string Path(const std::string& name) const { return directory_ + "/" + name; }

  // The registry stand-in with this text (sections of key paths).
  void WriteRegistry(const std::string& text) {
    const std::string path = Path("registry.ini");
    std::ofstream(path) << text;
    setenv("SWMATRIX_REGISTRY", path.c_str(), 1);
  }

  // A SCPI instrument on the simulated GPIB bus.
  sim::Instrument& AddGpib(const std::string& name, int address, sim::Simulator::Keys keys = {}) {
    keys.emplace_back("transport", "gpib");
    keys.emplace_back("address", std::to_string(address));
    return simulator_.Add(name, keys);
  }
  // A SCPI instrument on a pseudo-terminal linked as COMn.
  sim::Instrument& AddSerial(const std::string& name, int com, sim::Simulator::Keys keys = {}) {
    keys.emplace_back("transport", "pty");
    keys.emplace_back("com", std::to_string(com));
    return simulator_.Add(name, keys);
  }

private:
  std::string directory_;
  sim::Simulator simulator_;
};
