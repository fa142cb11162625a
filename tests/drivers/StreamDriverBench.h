#pragma once
// A driver object of this module and a simulated instrument on TCP, for
// drivers whose own transports are not all built yet: the test offers the
// driver the TCP transport in addition and points it at the instrument.
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "sim/core/Simulator.h"
#include "streams/StreamTestSupport.h"
#include "support/TestFiles.h"

template <class Driver>
struct StreamDriverBench {
  TestDirectory directory;
  sim::Simulator simulator;
  sim::Instrument& instrument;
  Driver driver;

  explicit StreamDriverBench(sim::Simulator::Keys keys, const std::string& tables = "")
      : instrument(simulator.Add("instrument", WithTcp(std::move(keys)))) {
    EXPECT_TRUE(EnsureWxRuntime());
    driver.Manager().AddStreamConfiguration("TCPIP");
    EXPECT_EQ(driver.LoadConfiguration(0, Ini("driver.ini", tables).c_str()), 0u);
    lock = std::make_unique<StreamLockCleanup>(driver.GetSelectedStreamID());
  }
  std::unique_ptr<StreamLockCleanup> lock;
  static sim::Simulator::Keys WithTcp(sim::Simulator::Keys keys) {
    keys.emplace_back("transport", "tcp");
    return keys;
  }
  std::string Ini(const std::string& name, const std::string& tables) {
    const std::string path = directory.File(name);
    std::ofstream(path) << "[Stream Config]\nSelected=TCPIP\n[Stream Config.Ethernet]\nAddress=127.0.0.1:"
                        << instrument.Endpoint().port << "\n" << tables;
    return path;
  }
  uint32_t Event(uint32_t event) {
    double value = 0;
    return driver.HandleEvent(0, &event, &value);
  }
  std::string Text(uint32_t status) {
    char buffer[1024];
    uint32_t read = 0;
    driver.GetErrorString(0, status, buffer, sizeof buffer, &read);
    return std::string(buffer, read);
  }
  // Waits for as many bytes as expected, then compares and forgets them.
  void ExpectBytes(const std::string& expected, const std::string& context = "") {
    instrument.WaitForBytes(expected.size(), std::chrono::seconds(5));
    EXPECT_EQ(instrument.ReceivedBytes(), expected) << context;
    instrument.ResetLog();
  }
  // Saves, loads the file into a new driver, saves again: both texts.
  std::pair<std::string, std::string> SaveLoadSave() {
    const std::string first = directory.File("first.ini"), second = directory.File("second.ini");
    EXPECT_EQ(driver.SaveConfiguration(0, first.c_str()), 0u);
    Driver again;
    again.Manager().AddStreamConfiguration("TCPIP");
    EXPECT_EQ(again.LoadConfiguration(0, first.c_str()), 0u);
    EXPECT_EQ(again.SaveConfiguration(0, second.c_str()), 0u);
    return {ReadFile(first), ReadFile(second)};
  }
};
