#pragma once
// A serial port opened as a VISA serial session: the alias "COMn" first,
// then "ASRLn::INSTR"; the character format as session attributes, and the
// line feed as termination character when line ends end a read.
#include "legacy/RS232RunTimeData.h"
#include "legacy/VisaBase.h"

class RS232RunTimeDataVISA : public RS232RunTimeData {
public:
  // True when the VISA library can be loaded (the implementation is usable).
  static bool Available();

  Status Open(const RS232PortSettings& settings) override;
  Status Close() override;
  bool IsOpen() const override { return visa_.IsOpen(); }
  Status Write(const std::string& bytes) override;
  Status Read(std::string* bytes, size_t count) override;
  Status ReadSome(std::string* bytes, size_t count, uint32_t waitMs) override;
  Status InputQueueCount(size_t* count) override;
  Status ClearOutputBuffer() override;
  Status ClearInputBuffer() override;
  Status SetTimeout(uint32_t milliseconds) override;
  Status SetMinimumTimeout(uint32_t milliseconds) override;
  uint32_t Timeout() const override { return timeout_; }
  // The status of a failed opening names the port and the resources tried.
  std::string ErrorText(Status status) const override;
  const char* Name() const override { return "VISA"; }

  const std::string& Resource() const { return visa_.Resource(); }
  bool TerminationCharacterEnabled() const { return terminationEnabled_; }
  bool TerminationCharacterSet() const { return terminationSet_; }

private:
  Status ApplyTimeout(uint32_t milliseconds);

  VisaBase visa_;
  uint32_t timeout_ = 3000;
  uint32_t applied_ = 0;
  bool terminationSet_ = false;      // the termination character is the line feed
  bool terminationEnabled_ = false;  // and ends a read
  Status openFailure_ = 0;
  std::string portName_;  // "COMn (VISA resources COMn and ASRLn::INSTR)"
};
