#pragma once
// A serial port opened by path (a COMn link to a pseudo-terminal, or a real
// device), for the simulated VISA library's serial sessions.
#include <cstdint>
#include <string>

#include "sim/transport/FileDescriptor.h"

namespace sim::transport {

struct SerialSettings {
  uint32_t baud = 9600;
  int dataBits = 8;    // 5 to 8
  char parity = 'N';   // N, O, E, M (mark) or S (space)
  int stopBits = 1;    // 1 or 2
  bool hardwareFlow = false;
  bool softwareFlow = false;
};

bool IsStandardBaud(uint32_t baud);
// Opens the port non-blocking and raw; invalid when it cannot be opened.
FileDescriptor OpenSerialPort(const std::string& path);
bool ApplySerialSettings(int fd, const SerialSettings& settings);
void DiscardSerialBuffers(int fd, bool input, bool output);
// Waits until everything written has left.
void DrainSerialOutput(int fd);

}  // namespace sim::transport
