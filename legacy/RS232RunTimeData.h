#pragma once
// The open serial port behind an RS232DeviceDriver, in one of two
// implementations chosen when the port is opened: the system's serial
// functions (RS232RunTimeDataTermios) or a VISA serial session
// (RS232RunTimeDataVISA).
#include <cstddef>
#include <cstdint>
#include <string>

#include "framework/Status.h"

struct RS232PortSettings {
  int comPort = 1;
  int baudRate = 9600;
  int parity = 0;    // Parity values
  int dataBits = 8;
  int stopBits = 0;  // StopBits values
  bool lineEndTerminates = true;     // "\n" (VISA: the termination character) ends a read
  bool dataTerminalReady = true;     // first line control: DTR asserted
  bool hardwareFlowControl = false;  // second line control: RTS/CTS handshake
  // A device found by its path (a USB serial adapter such as /dev/ttyUSB0),
  // opened instead of the device of COMn when not empty; only the system's
  // serial functions open such a path.
  std::string devicePath;
};

class RS232RunTimeData {
public:
  static constexpr Status kNotOpen = 0x3000012C;
  static constexpr Status kNotAllWritten = 0x3000012D;
  static constexpr Status kShortRead = 0x3000012E;

  virtual ~RS232RunTimeData() = default;
  virtual Status Open(const RS232PortSettings& settings) = 0;
  virtual Status Close() = 0;
  virtual bool IsOpen() const = 0;
  // Writes every byte; kNotAllWritten when the line took fewer.
  virtual Status Write(const std::string& bytes) = 0;
  // Reads count bytes within the read time-out; kShortRead with fewer.
  virtual Status Read(std::string* bytes, size_t count) = 0;
  // Waits up to waitMs for data and appends what has come (at most count);
  // kShortRead when nothing came.
  virtual Status ReadSome(std::string* bytes, size_t count, uint32_t waitMs) = 0;
  // How many received bytes wait to be read.
  virtual Status InputQueueCount(size_t* count) = 0;
  virtual Status ClearOutputBuffer() = 0;
  virtual Status ClearInputBuffer() = 0;
  // The read time-out; the minimum version only ever raises it.
  virtual Status SetTimeout(uint32_t milliseconds) = 0;
  virtual Status SetMinimumTimeout(uint32_t milliseconds) = 0;
  virtual uint32_t Timeout() const = 0;
  // The text of a status of this implementation, empty for others.
  virtual std::string ErrorText(Status status) const = 0;
  virtual const char* Name() const = 0;
};
