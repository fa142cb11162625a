#pragma once
// The surroundings of a driver's end-to-end test: a private directory, the
// simulator running in the test process with one instrument on TCP or on a
// pseudo-terminal linked as a COM port of a private ports directory (which
// $SWMATRIX_PORTS names for the module while the bench lives), and the INI
// sections that point a driver's stream at the instrument.
#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>

#include "sim/core/Simulator.h"
#include "support/ScopedVariable.h"
#include "support/TestFiles.h"

enum class Transport { kTcp, kSerial };

class SimulatorBench {
public:
  // Any number does: the ports directory and the lock namespace
  // (support/TestMain.cpp) are the test process's own.
  static constexpr int kComPort = 5;

  SimulatorBench(Transport transport, sim::Simulator::Keys keys) : transport_(transport) {
    if (transport == Transport::kSerial) {
      const std::string ports = directory_.File("ports");
      std::filesystem::create_directories(ports);
      ports_.emplace("SWMATRIX_PORTS", ports);
      simulator_.SetPortsDirectory(ports);
      keys.insert(keys.end(), {{"transport", "pty"}, {"com", std::to_string(kComPort)}});
    } else {
      keys.emplace_back("transport", "tcp");
    }
    instrument_ = &simulator_.Add("device", keys);
  }
  ~SimulatorBench() { simulator_.Stop(); }

  sim::Instrument& Instrument() { return *instrument_; }
  std::string File(const std::string& name) const { return directory_.File(name); }
  // Writes a file of the bench and returns its path.
  std::string Write(const std::string& name, const std::string& text) const {
    WriteFile(File(name), text);
    return File(name);
  }

  // The stream settings of a driver whose tables begin with `table`
  // ("" for the top level, else e.g. "SwitchMatrix").
  std::string StreamSections(const std::string& table = "") const {
    const std::string head = "[" + (table.empty() ? "" : table + ".") + "Stream Config";
    if (transport_ == Transport::kSerial)
      return head + "]\nSelected=RS-232\n" + head + ".RS232]\nCOMPort=" + std::to_string(kComPort) + "\n";
    return head + "]\nSelected=TCPIP\n" + head + ".Ethernet]\nAddress=127.0.0.1:" +
           std::to_string(instrument_->Endpoint().port) + "\n";
  }

private:
  Transport transport_;
  TestDirectory directory_;
  std::optional<ScopedVariable> ports_;
  sim::Simulator simulator_;
  sim::Instrument* instrument_ = nullptr;
};
