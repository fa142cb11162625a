#pragma once
// A pseudo-terminal: the simulator keeps the master side, clients open the
// slave device (or a COMn link to it) as if it were a serial port.
#include <cstdint>
#include <memory>
#include <string>

#include "sim/transport/FileDescriptor.h"

namespace sim::transport {

// The line settings a client has put on the slave side with termios.
struct LineSettings {
  uint32_t baud = 0;
  int dataBits = 8;
  char parity = 'N';  // N, O, E, M (mark) or S (space)
  int stopBits = 1;
  bool canonical = false;      // line editing on (ICANON)
  bool echo = false;
  bool hardwareFlow = false;   // CRTSCTS
  bool softwareFlow = false;   // IXON or IXOFF
};

class PseudoTerminal {
public:
  // A new pseudo-terminal in raw mode at 9600 baud, 8N1; null with an error text on failure.
  static std::unique_ptr<PseudoTerminal> Open(std::string* error);

  const std::string& DevicePath() const { return devicePath_; }
  int MasterFd() const { return master_.Get(); }
  // Hands the master side to the caller (who then reads and writes it).
  FileDescriptor TakeMaster() { return std::move(master_); }
  LineSettings Settings() const;

private:
  PseudoTerminal() = default;

  FileDescriptor master_;
  // Held open so that the master never sees a hang-up between two client
  // sessions and the terminal keeps the settings of the last client.
  FileDescriptor slave_;
  std::string devicePath_;
};

}  // namespace sim::transport
