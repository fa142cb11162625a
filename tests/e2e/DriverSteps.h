#pragma once
// Steps of a driver's end-to-end test through the module's exports: create
// a driver from an INI text, send events and requests, and check that its
// settings survive a save and a load unchanged.
#include <gtest/gtest.h>

#include <string>

#include "SimulatorBench.h"
#include "support/LoadedModule.h"
#include "support/TestFiles.h"

// Creates the driver of the key and loads the INI text into it.
inline uint16_t CreateDriver(SimulatorBench& bench, const std::string& key, const std::string& ini) {
  swm::Module& m = LoadedModule();
  uint16_t id = 0;
  EXPECT_EQ(m.CreateNewDeviceDriver(0, key.c_str(), &id), 0u) << key;
  EXPECT_EQ(m.LoadConfiguration(0, id, bench.Write("driver.ini", ini).c_str()), 0u);
  return id;
}

// Saves the driver, loads that file into a new driver of the key and saves
// again: the two files must be the same bytes. Returns the first file.
inline std::string ExpectStableSave(SimulatorBench& bench, uint16_t id, const std::string& key) {
  swm::Module& m = LoadedModule();
  const std::string first = bench.File("saved1.ini"), second = bench.File("saved2.ini");
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

// The table "RS232" of an older serial device on the bench's COM port.
inline std::string LegacySerialSection() {
  return "[RS232]\nCOMPort=" + std::to_string(SimulatorBench::kComPort) + "\nImplementation=1\n";
}

inline uint32_t SendEvent(uint16_t id, uint32_t event, double value = 0) {
  return LoadedModule().SetValue(0, id, 1500, &event, &value);
}

inline uint32_t SendRequest(uint16_t id, uint32_t request, uint32_t* answer) {
  return LoadedModule().GetValue(0, id, 1550, &request, answer);
}
