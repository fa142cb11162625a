#pragma once
// Records as an indented call tree: one line per record, a begin ">" and its
// end "<" at the same depth, the end with the duration of the call.
#include "RecordPrinter.h"

class CallTreePrinter : public RecordPrinter {
public:
  void Print(std::ostream& out, const LogRecord& record, const CallPairing::Placement& placement) override;
  void PrintRaw(std::ostream& out, std::string_view datagram, std::string_view error) override;
  void PrintGap(std::ostream& out, const LogRecord& record, uint64_t lost) override;
  void PrintBack(std::ostream& out, const LogRecord& record, uint64_t highest) override;
};
