#pragma once
// Records as JSON lines: one object per record with every header field and
// every named value decoded; a datagram that is no record as {"record":"raw"}.
#include "RecordPrinter.h"

class JsonLinePrinter : public RecordPrinter {
public:
  void Print(std::ostream& out, const LogRecord& record, const CallPairing::Placement& placement) override;
  void PrintRaw(std::ostream& out, std::string_view datagram, std::string_view error) override;
  void PrintGap(std::ostream& out, const LogRecord& record, uint64_t lost) override;
  void PrintBack(std::ostream& out, const LogRecord& record, uint64_t highest) override;
};
