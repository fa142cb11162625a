#pragma once
// The surroundings of an end-to-end driver test: a private directory, the
// simulator running in the test process with one instrument on TCP, on a
// pseudo-terminal linked as a COM port of a private ports directory (which
// $SWMATRIX_PORTS names for the module while the bench lives) or on the
// simulated bus behind the simulated vendor libraries, the [Stream Config]
// lines that point a driver at it, and a driver of the built module that is
// removed however the test ends.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <list>
#include <string>
#include <vector>

#include "sim/core/Simulator.h"
#include "support/LoadedModule.h"
#include "support/ScopedVariable.h"
#include "support/TestFiles.h"

// kGpib is the older GPIB layer's own table; the others are stream types:
// VISA and the two GPIB streams reach the instrument at GPIB0::7 on the
// simulated bus, kVisaSerial a serial instrument as a VISA ASRL resource.
// kBus puts the instrument on the bus where its keys say, and the test writes
// the stream lines itself.
enum class Wire { kTcp, kSerial, kGpib, kVisa, kGpibStream, kCompliantGpib, kVisaSerial, kBus };

inline const char* WireName(Wire wire) {
  const char* names[] = {"Tcp", "Serial", "OlderGpib", "Visa", "Gpib", "CompliantGpib", "VisaSerial", "Bus"};
  return names[static_cast<int>(wire)];
}

class InstrumentBench {
public:
  // Any number does: the ports directory and the lock namespace
  // (support/TestMain.cpp) are the test process's own.
  static constexpr int kComPort = 5;

  // Without keys the bench has no instrument yet: the test adds its own with Add().
  InstrumentBench(Wire wire, sim::Simulator::Keys keys = {}) : wire_(wire) {
    std::filesystem::create_directories(File("ports"));
    simulator_.SetPortsDirectory(File("ports"));
    variables_.emplace_back("SWMATRIX_PORTS", File("ports"));
    if (wire != Wire::kTcp && wire != Wire::kSerial) {
      // The bus, the simulated vendor and card libraries, an empty registry
      // stand-in and a temporary directory of its own (the HiSLIP store). The
      // module finds its service-request library beside itself.
      simulator_.SetBoardAddress(0);
      EXPECT_EQ(simulator_.ListenBus(File("bus")), "");
      WriteFile(File("registry.ini"), "");
      for (const auto& [name, value] : {std::pair<const char*, std::string>{"SWMATRIX_SIM_BUS", File("bus")},
                                        {"SWMATRIX_GPIB_LIBRARY", SimulatedLibrary("libgpib.so.0")},
                                        {"SWMATRIX_VISA_LIBRARY", SimulatedLibrary("libvisa.so")},
                                        {"SWMATRIX_MCC_LIBRARY", SimulatedLibrary("libmccuniversal.so")},
                                        {"SWMATRIX_ADVANTECH_LIBRARY", SimulatedLibrary("libadsapi.so")},
                                        {"SWMATRIX_REGISTRY", File("registry.ini")},
                                        {"TMPDIR", directory_.Path()}})
        variables_.emplace_back(name, value);
    }
    if (keys.empty()) return;
    if (wire == Wire::kTcp) {
      keys.emplace_back("transport", "tcp");
    } else if (wire == Wire::kSerial || wire == Wire::kVisaSerial) {
      keys.insert(keys.end(), {{"transport", "pty"}, {"com", std::to_string(kComPort)}});
    } else if (wire != Wire::kBus) {
      keys.insert(keys.end(), {{"transport", "gpib"}, {"address", "7"}});
    }
    instrument_ = &Add("instrument", keys);
  }
  ~InstrumentBench() { simulator_.Stop(); }

  sim::Instrument& Add(const std::string& name, const sim::Simulator::Keys& keys) { return simulator_.Add(name, keys); }
  sim::Instrument& Instrument() { return *instrument_; }
  std::string File(const std::string& name) const { return directory_.File(name); }
  // Writes a file of the bench and returns its path.
  std::string Write(const std::string& name, const std::string& text) const {
    WriteFile(File(name), text);
    return File(name);
  }
  // Writes an INI file of the stream lines and the given tables.
  std::string Ini(const std::string& name, const std::string& tables) const {
    return Write(name, StreamSections() + tables);
  }

  // The stream settings of a driver whose tables begin with `table`
  // ("" for the top level, else e.g. "SwitchMatrix").
  std::string StreamSections(const std::string& table = "") const {
    const std::string head = "[" + (table.empty() ? "" : table + ".") + "Stream Config";
    const std::string com = std::to_string(kComPort);
    switch (wire_) {
      case Wire::kTcp:
        return head + "]\nSelected=TCPIP\n" + head +
               ".Ethernet]\nAddress=127.0.0.1:" + std::to_string(instrument_->Endpoint().port) + "\n";
      case Wire::kSerial:
        return head + "]\nSelected=RS-232\n" + head + ".RS232]\nCOMPort=" + com + "\n";
      case Wire::kVisaSerial:
        return head + "]\nSelected=VISA\n" + head + ".VISA]\nIdentifier=ASRL" + com + "::INSTR\n";
      case Wire::kGpib:
        return "[GPIB]\nBoard=0\nPriAdr=7\nSecAdr=0\n";
      case Wire::kVisa:
        return head + "]\nSelected=VISA\n" + head + ".VISA]\nIdentifier=GPIB0::7::INSTR\n";
      case Wire::kGpibStream:
      case Wire::kCompliantGpib:
        return head + "]\nSelected=" + (wire_ == Wire::kGpibStream ? "GPIB" : "CompliantGPIB") + "\n" + head +
               ".GPIB]\nBoard=0\nPriAdr=7\n";
      case Wire::kBus:
        break;
    }
    return "";
  }

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
  Wire wire_;
  TestDirectory directory_;
  std::list<ScopedVariable> variables_;
  sim::Simulator simulator_;
  sim::Instrument* instrument_ = nullptr;
};

// The commands as the bytes on the line, each ended by a line feed.
inline std::string Joined(const std::vector<std::string>& commands) {
  std::string bytes;
  for (const std::string& command : commands) bytes += command + "\n";
  return bytes;
}

// The table "RS232" of an older serial device on the bench's COM port.
inline std::string LegacySerialSection() {
  return "[RS232]\nCOMPort=" + std::to_string(InstrumentBench::kComPort) + "\nImplementation=1\n";
}

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
  uint32_t Event(uint32_t event, double value = 0) { return m.SetValue(0, id, 1500, &event, &value); }
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
  // The same in the bench's directory; expects both files to be the same bytes and returns the first.
  std::string ExpectStableSave(const InstrumentBench& bench, const char* typeKey) {
    const auto [first, second] = SaveLoadSave(typeKey, bench.File("saved1.ini"), bench.File("saved2.ini"));
    EXPECT_EQ(first, second);
    return first;
  }
};
