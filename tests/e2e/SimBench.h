#pragma once
// One simulated instrument for an end-to-end test, on a pseudo-terminal
// linked as COMn into a private ports directory, or on a loopback TCP port;
// the driver's INI file is written next to it.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "sim/core/Simulator.h"
#include "support/LoadedModule.h"
#include "support/TestFiles.h"

class SimBench {
public:
  // `comOffset` keeps the COM numbers of the tests of one process apart.
  SimBench(sim::Simulator::Keys keys, bool serial, int comOffset = 0) {
    if (serial) {
      com_ = 30 + static_cast<int>(getpid() % 20) * 10 + comOffset;
      const std::string ports = directory_.File("ports");
      std::filesystem::create_directories(ports);
      setenv("SWMATRIX_PORTS", ports.c_str(), 1);
      simulator_.SetPortsDirectory(ports);
      keys.emplace_back("transport", "pty");
      keys.emplace_back("com", std::to_string(com_));
    } else {
      keys.emplace_back("transport", "tcp");
    }
    instrument_ = &simulator_.Add("unit", keys);
  }
  ~SimBench() {
    simulator_.Stop();
    unsetenv("SWMATRIX_PORTS");
  }

  sim::Instrument& Unit() { return *instrument_; }
  int Com() const { return com_; }
  uint16_t Port() const { return instrument_->Endpoint().port; }
  std::string File(const std::string& name) const { return directory_.File(name); }

  // Creates the driver of the key and loads the INI text into it.
  uint16_t Create(const std::string& key, const std::string& ini) {
    swm::Module& m = LoadedModule();
    uint16_t id = 0;
    EXPECT_EQ(m.CreateNewDeviceDriver(0, key.c_str(), &id), 0u) << key;
    WriteFile(File("driver.ini"), ini);
    EXPECT_EQ(m.LoadConfiguration(0, id, File("driver.ini").c_str()), 0u);
    return id;
  }

  // Saves the driver, loads that file into a new driver of the key and saves
  // again; the two files must be the same bytes. Returns the first file.
  std::string ExpectStableSave(uint16_t id, const std::string& key) {
    swm::Module& m = LoadedModule();
    const std::string first = File("saved1.ini"), second = File("saved2.ini");
    EXPECT_EQ(m.SaveConfiguration(0, id, first.c_str()), 0u);
    uint16_t copy = 0;
    EXPECT_EQ(m.CreateNewDeviceDriver(0, key.c_str(), &copy), 0u);
    EXPECT_EQ(m.LoadConfiguration(0, copy, first.c_str()), 0u);
    EXPECT_EQ(m.SaveConfiguration(0, copy, second.c_str()), 0u);
    m.RemoveDeviceDriver(0, copy);
    const std::string text = ReadFile(first);
    EXPECT_EQ(text, ReadFile(second));
    return text;
  }

private:
  TestDirectory directory_;
  sim::Simulator simulator_;
  sim::Instrument* instrument_ = nullptr;
  int com_ = 0;
};

inline uint32_t SendEvent(uint16_t id, uint32_t event, double value = 0) {
  return LoadedModule().SetValue(0, id, 1500, &event, &value);
}

inline uint32_t SendRequest(uint16_t id, uint32_t request, uint32_t* answer) {
  return LoadedModule().GetValue(0, id, 1550, &request, answer);
}
