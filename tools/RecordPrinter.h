#pragma once
// Writes decoded records for people (an indented call tree) or for programs
// (one JSON object per line); a datagram that is no record is shown raw.
#include <ostream>
#include <string_view>

#include "CallPairing.h"
#include "LogRecord.h"

class RecordPrinter {
public:
  virtual ~RecordPrinter() = default;
  virtual void Print(std::ostream& out, const LogRecord& record, const CallPairing::Placement& placement) = 0;
  virtual void PrintRaw(std::ostream& out, std::string_view datagram, std::string_view error) = 0;
  // A line of its own before `record`: `lost` records of its process never arrived.
  virtual void PrintGap(std::ostream& out, const LogRecord& record, uint64_t lost) = 0;
  // A line of its own before `record`, whose number is below `highest`, the
  // highest number seen of its process.
  virtual void PrintBack(std::ostream& out, const LogRecord& record, uint64_t highest) = 0;
};
