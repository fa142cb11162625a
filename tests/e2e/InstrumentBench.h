#pragma once
// The surroundings of an end-to-end driver test: a private directory, one
// simulated instrument on TCP, on a pseudo-terminal linked as a COM port or
// on the simulated bus, the [Stream Config] lines that point a driver at it,
// and a driver of the built module that is removed however the test ends.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "sim/core/Simulator.h"
#include "support/LoadedModule.h"
#include "support/TestFiles.h"

// kGpib is the older GPIB layer's own table; the others are stream types:
// VISA and the two GPIB streams reach the instrument at GPIB0::7 on the
// simulated bus, kVisaSerial a serial instrument as a VISA ASRL resource.
enum class Wire { kTcp, kSerial, kGpib, kVisa, kGpibStream, kCompliantGpib, kVisaSerial };

inline const char* WireName(Wire wire) {
  const char* names[] = {"Tcp", "Serial", "OlderGpib", "Visa", "Gpib", "CompliantGpib", "VisaSerial"};
  return names[static_cast<int>(wire)];
}

class InstrumentBench {
public:
  // comIndex tells the serial ports of the tests of one process apart.
  InstrumentBench(Wire wire, sim::Simulator::Keys keys, int comIndex = 0) {
    std::filesystem::create_directories(Ports());
    simulator_.SetPortsDirectory(Ports());
    setenv("SWMATRIX_PORTS", Ports().c_str(), 1);
    if (wire != Wire::kTcp && wire != Wire::kSerial) {
      // The bus, the simulated vendor libraries and an empty registry stand-in.
      simulator_.SetBoardAddress(0);
      EXPECT_EQ(simulator_.ListenBus(directory_.File("bus")), "");
      setenv("SWMATRIX_SIM_BUS", directory_.File("bus").c_str(), 1);
      const std::string libraries = std::string(SWM_BUILD_DIR) + "/lib/sim/";
      setenv("SWMATRIX_GPIB_LIBRARY", (libraries + "libgpib.so.0").c_str(), 1);
      setenv("SWMATRIX_GPIBSRQ_LIBRARY", (libraries + "libgpibsrq.so.0").c_str(), 1);
      setenv("SWMATRIX_VISA_LIBRARY", (libraries + "libvisa.so").c_str(), 1);
      std::ofstream(directory_.File("registry.ini")) << "";
      setenv("SWMATRIX_REGISTRY", directory_.File("registry.ini").c_str(), 1);
    }
    if (wire == Wire::kTcp) {
      keys.emplace_back("transport", "tcp");
      instrument_ = &simulator_.Add("instrument", keys);
      stream_ = "[Stream Config]\nSelected=TCPIP\n[Stream Config.Ethernet]\nAddress=127.0.0.1:" +
                std::to_string(instrument_->Endpoint().port) + "\n";
    } else if (wire == Wire::kSerial || wire == Wire::kVisaSerial) {
      // A COM number of its own per process and test, so that tests side by side use different port locks.
      const int com = 30 + static_cast<int>(getpid() % 20) * 10 + comIndex;
      keys.emplace_back("transport", "pty");
      keys.emplace_back("com", std::to_string(com));
      instrument_ = &simulator_.Add("instrument", keys);
      stream_ = wire == Wire::kSerial
                    ? "[Stream Config]\nSelected=RS-232\n[Stream Config.RS232]\nCOMPort=" + std::to_string(com) + "\n"
                    : "[Stream Config]\nSelected=VISA\n[Stream Config.VISA]\nIdentifier=ASRL" + std::to_string(com) +
                          "::INSTR\n";
    } else {
      keys.emplace_back("transport", "gpib");
      keys.emplace_back("address", "7");
      instrument_ = &simulator_.Add("instrument", keys);
      if (wire == Wire::kGpib)
        stream_ = "[GPIB]\nBoard=0\nPriAdr=7\nSecAdr=0\n";
      else if (wire == Wire::kVisa)
        stream_ = "[Stream Config]\nSelected=VISA\n[Stream Config.VISA]\nIdentifier=GPIB0::7::INSTR\n";
      else
        stream_ = std::string("[Stream Config]\nSelected=") + (wire == Wire::kGpibStream ? "GPIB" : "CompliantGPIB") +
                  "\n[Stream Config.GPIB]\nBoard=0\nPriAdr=7\n";
    }
  }
  ~InstrumentBench() {
    simulator_.Stop();
    unsetenv("SWMATRIX_PORTS");
  }

  sim::Instrument& Instrument() { return *instrument_; }
  // Writes an INI file of the stream lines and the given tables.
  std::string Ini(const std::string& name, const std::string& tables) const {
    const std::string path = directory_.File(name);
    std::ofstream(path) << stream_ << tables;
    return path;
  }
  std::string File(const std::string& name) const { return directory_.File(name); }
  // Waits until the instrument has received as many bytes (commands) as
  // expected (commands without answer arrive after the driver returns),
  // then compares and forgets the record.
  void ExpectBytes(const std::string& expected, const std::string& context = "") {
    instrument_->WaitForBytes(expected.size(), std::chrono::seconds(5));
    EXPECT_EQ(TakeBytes(), expected) << context;
  }
  void ExpectCommands(const std::vector<std::string>& expected) {
    instrument_->WaitForCommands(expected.size(), std::chrono::seconds(5));
    EXPECT_EQ(TakeCommands(), expected);
  }
  // Takes the record and forgets it.
  std::string TakeBytes() {
    std::string bytes = instrument_->ReceivedBytes();
    instrument_->ResetLog();
    return bytes;
  }
  std::vector<std::string> TakeCommands() {
    std::vector<std::string> commands = instrument_->ReceivedCommands();
    instrument_->ResetLog();
    return commands;
  }

private:
  std::string Ports() const { return directory_.File("ports"); }

  TestDirectory directory_;
  sim::Simulator simulator_;
  sim::Instrument* instrument_ = nullptr;
  std::string stream_;
};

// A driver of the module, removed however the test ends.
struct ModuleDriver {
  swm::Module& m;
  uint16_t id = 0;
  bool created = false;
  ModuleDriver(const char* typeKey, const std::string& ini = "") : m(LoadedModule()) {
    created = m.CreateNewDeviceDriver(0, typeKey, &id) == 0;
    EXPECT_TRUE(created) << typeKey;
    if (created && !ini.empty()) {
      EXPECT_EQ(m.LoadConfiguration(0, id, ini.c_str()), 0u);
    }
  }
  ~ModuleDriver() {
    if (!created) return;
    m.DeInitDevice(0, id);
    m.RemoveDeviceDriver(0, id);
  }
  uint32_t Event(uint32_t event) {
    double value = 0;
    return m.SetValue(0, id, 1500, &event, &value);
  }
  uint32_t Request(uint32_t request, uint32_t* answer) { return m.GetValue(0, id, 1550, &request, answer); }
  std::string Text(uint32_t status) { return m.ErrorText(id, status); }
  // Saves, loads the saved file into a new driver of the same key and saves
  // again; returns both files' text.
  std::pair<std::string, std::string> SaveLoadSave(const char* typeKey, const std::string& first,
                                                   const std::string& second) {
    EXPECT_EQ(m.SaveConfiguration(0, id, first.c_str()), 0u);
    ModuleDriver again(typeKey, first);
    EXPECT_EQ(m.SaveConfiguration(0, again.id, second.c_str()), 0u);
    return {ReadFile(first), ReadFile(second)};
  }
};
