#pragma once
// A serial port opened through the system's serial functions (termios): the
// device of COMn, read time-outs as a total time with a 10 ms pause between
// bytes, waits through poll.
#include "legacy/RS232RunTimeData.h"
#include "platform/SerialPort.h"

class RS232RunTimeDataTermios : public RS232RunTimeData {
public:
  static constexpr uint32_t kReadIntervalMs = 10;
  static constexpr uint32_t kShortestReadMs = 100;
  static constexpr uint32_t kOpeningTimeoutMs = 3000;
  static constexpr uint32_t kWriteTimeoutMs = 5000;

  Status Open(const RS232PortSettings& settings) override;
  Status Close() override;
  bool IsOpen() const override { return port_.IsOpen(); }
  Status Write(const std::string& bytes) override;
  Status Read(std::string* bytes, size_t count) override;
  Status ReadSome(std::string* bytes, size_t count, uint32_t waitMs) override;
  Status InputQueueCount(size_t* count) override;
  Status ClearOutputBuffer() override;
  Status ClearInputBuffer() override;
  // The read constant becomes max(milliseconds, 100).
  Status SetTimeout(uint32_t milliseconds) override;
  Status SetMinimumTimeout(uint32_t milliseconds) override;
  uint32_t Timeout() const override { return readConstant_; }
  // The status of a failed opening names the port and how COMn maps to its device.
  std::string ErrorText(Status status) const override;
  const char* Name() const override { return "termios"; }

  const std::string& DevicePath() const { return path_; }
  int LastSystemError() const { return lastError_; }

private:
  Status SystemFailure(int error);

  SerialPort port_;
  std::string path_;
  std::string portName_;  // "COMn is ..." or the device path
  Status openFailure_ = 0;
  uint32_t readConstant_ = kOpeningTimeoutMs;
  int lastError_ = 0;
};
