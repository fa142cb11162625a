#pragma once
// A capture file: what each instrument's stream wrote and read, taken from
// the stream log records (values "Stream", "WireSent", "WireReceived"), one
// JSON line per transfer after a header line. docs/simulator.md describes
// the format; swmsim's replay family answers from it.
#include <cstdint>
#include <istream>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "LogRecord.h"

struct WireTransfer {
  std::string instrument;  // the stream's identification: address, resource or port
  bool sent = false;       // written to the instrument (else read from it)
  int64_t timeMs = 0;      // of the log record, milliseconds since 1970
  std::string bytes;
};

class WireCapture {
public:
  static constexpr int kVersion = 1;

  // The transfers a log record carries (a written one before a read one).
  static std::vector<WireTransfer> TransfersOf(const LogRecord& record);
  // The same from a line of `swmlog --json`; nothing for other lines.
  static std::vector<WireTransfer> TransfersOfJsonLine(const std::string& line);

  // Writes the header at once and each transfer as it is added, with its
  // time as milliseconds after the first transfer of the file.
  explicit WireCapture(std::ostream& out);
  void Add(const WireTransfer& transfer);

  // Copies every transfer of a JSON-lines log into `out`; false with a
  // reason for a line that is not JSON.
  static bool FromJsonLog(std::istream& log, std::ostream& out, std::string* error);

private:
  std::ostream& out_;
  std::optional<int64_t> startMs_;
};
