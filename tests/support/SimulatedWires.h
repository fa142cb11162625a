#pragma once
// The wires other than TCP/IP for the tests over every creatable key, inside
// the child process of one key: the simulator with an instrument of no
// family on the simulated GPIB bus (board 0, address 7, which VISA reaches as
// GPIB0::7::INSTR) and one on a pseudo-terminal linked as COM5 of a ports
// directory of the key's own, the simulated vendor libraries, and a driver's
// saved settings pointed at them. The instrument echoes every command, stays
// silent, answers garbage or answers as an instrument of another family, as
// LoopbackResponder does on TCP/IP.
//
// A driver's bytes on the pseudo-terminal reach the simulator after its call
// returned; Received() writes a marker line into the terminal behind them and
// waits for it, so that it counts everything a finished call sent.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <regex>
#include <string>

#include "sim/core/Simulator.h"
#include "support/LoopbackResponder.h"
#include "support/TestFiles.h"

class SimulatedWires {
public:
  using Mode = LoopbackResponder::Mode;
  static constexpr int kComPort = 5;
  static constexpr int kAbsentComPort = 77;
  static constexpr int kAbsentAddress = 9;

  // One at a time per process: it sets the process's environment for the module.
  SimulatedWires(const TestDirectory& dir, Mode mode) {
    static int instances = 0;
    const std::string own = dir.File("wires" + std::to_string(++instances));
    const std::string ports = own + "/ports";
    mkdir(own.c_str(), 0700);
    mkdir(ports.c_str(), 0700);
    simulator_.SetPortsDirectory(ports);
    simulator_.SetBoardAddress(0);
    simulator_.ListenBus(own + "/bus");
    WriteFile(own + "/registry.ini", "");
    setenv("SWMATRIX_PORTS", ports.c_str(), 1);
    setenv("SWMATRIX_SIM_BUS", (own + "/bus").c_str(), 1);
    setenv("SWMATRIX_GPIB_LIBRARY", SimulatedLibrary("libgpib.so.0").c_str(), 1);
    setenv("SWMATRIX_VISA_LIBRARY", SimulatedLibrary("libvisa.so").c_str(), 1);
    setenv("SWMATRIX_GPIBSRQ_LIBRARY", ServiceRequestLibrary().c_str(), 1);
    setenv("SWMATRIX_REGISTRY", (own + "/registry.ini").c_str(), 1);
    setenv("TMPDIR", own.c_str(), 1);
    // The keys run side by side: the port locks of each are its own.
    const char* prefix = getenv("SWMATRIX_LOCK_PREFIX");
    setenv("SWMATRIX_LOCK_PREFIX", ((prefix ? prefix : "") + std::to_string(getpid()) + ":").c_str(), 1);
    // Each command is what one write brought (the drivers end their lines
    // differently); the marker line is never answered.
    sim::Simulator::Keys keys{{"read-terminator", "none"}};
    const std::string every = "((?![\\s\\S]*" + std::string(kMarker) + ")[\\s\\S]+)";
    if (mode == Mode::kSilent) keys.emplace_back("fault", "noanswer");
    if (mode == Mode::kEcho || mode == Mode::kGarbage) keys.emplace_back("answer-re", every + " -> $1");
    if (mode == Mode::kGarbage) keys.emplace_back("fault", "garbage");
    if (mode == Mode::kForeign) keys.emplace_back("answer-re", every + " -> ACME,OTHER INSTRUMENT,0,1.0");
    sim::Simulator::Keys bus = keys, serial = keys;
    bus.insert(bus.end(), {{"transport", "gpib"}, {"board", "0"}, {"address", "7"}});
    serial.insert(serial.end(), {{"transport", "pty"}, {"com", std::to_string(kComPort)}});
    bus_ = &simulator_.Add("bus", bus);
    serial_ = &simulator_.Add("serial", serial);
  }
  ~SimulatedWires() { simulator_.Stop(); }
  SimulatedWires(const SimulatedWires&) = delete;
  SimulatedWires& operator=(const SimulatedWires&) = delete;

  // The saved settings of a driver with every bus, VISA and serial table
  // pointed at the instruments, or (absent) at a COM port without a terminal
  // and a bus address without a device.
  static std::string Pointed(const std::string& text, bool absent = false) {
    const std::string address = absent ? std::to_string(kAbsentAddress) : "7";
    static const std::regex board("^(Board|SecAdr)=.*$", std::regex::multiline);
    static const std::regex primary("^PriAdr=.*$", std::regex::multiline);
    static const std::regex com("^COMPort=.*$", std::regex::multiline);
    static const std::regex visa("^Identifier=.*$", std::regex::multiline);
    std::string pointed = std::regex_replace(text, board, "$1=0");
    pointed = std::regex_replace(pointed, primary, "PriAdr=" + address);
    pointed = std::regex_replace(pointed, com, "COMPort=" + std::to_string(absent ? kAbsentComPort : kComPort));
    return std::regex_replace(pointed, visa, "Identifier=GPIB0::" + address + "::INSTR");
  }

  // Bytes both instruments received so far, the markers not counted.
  size_t Received() {
    const std::string line = std::string(kMarker) + "\n";
    const int fd = open(serial_->Endpoint().device.c_str(), O_WRONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd >= 0 && write(fd, line.data(), line.size()) == static_cast<ssize_t>(line.size())) ++markers_;
    if (fd >= 0) close(fd);
    // A terminal may turn the marker's line end into two bytes.
    for (size_t size = serial_->ReceivedBytes().size(); Markers() < markers_; size = serial_->ReceivedBytes().size())
      if (!serial_->WaitForBytes(size + 1, std::chrono::seconds(10))) break;
    const std::string bytes = serial_->ReceivedBytes();
    return bus_->ReceivedBytes().size() + bytes.size() - markerBytes_;
  }
  // The instrument goes away: the serial line hangs up (its COM port link
  // then names a new terminal, as a USB adapter plugged in again), and the
  // bus device stops listening until Back().
  void Drop() {
    serial_->Hangup();
    bus_->SetFault(sim::FaultKind::kRefuse);
  }
  void Back() { bus_->ClearFault(sim::FaultKind::kRefuse); }

private:
  static constexpr const char* kMarker = "SWMTESTMARK";

  // Counts the markers received and the bytes they took.
  size_t Markers() {
    const std::string bytes = serial_->ReceivedBytes();
    size_t count = 0;
    markerBytes_ = 0;
    for (size_t at = bytes.find(kMarker); at != std::string::npos; at = bytes.find(kMarker, at + 1)) {
      ++count;
      size_t end = at + std::string(kMarker).size();
      while (end < bytes.size() && (bytes[end] == '\r' || bytes[end] == '\n')) ++end;
      markerBytes_ += end - at;
    }
    return count;
  }

  sim::Simulator simulator_;
  sim::Instrument* bus_ = nullptr;
  sim::Instrument* serial_ = nullptr;
  size_t markers_ = 0, markerBytes_ = 0;
};
