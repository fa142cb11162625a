#pragma once
// The log viewer's handling of one datagram: decode it, pair begin and end,
// filter, and print it (a datagram that is no record is printed raw).
#include <memory>
#include <ostream>
#include <string_view>

#include "CallPairing.h"
#include "RecordFilter.h"
#include "RecordPrinter.h"

class LogViewer {
public:
  LogViewer(std::unique_ptr<RecordPrinter> printer, RecordFilter filter)
      : printer_(std::move(printer)), filter_(std::move(filter)) {}

  // True when the record was printed (a line about records lost before it
  // may be printed either way).
  bool Handle(std::string_view datagram, std::ostream& out);

private:
  std::unique_ptr<RecordPrinter> printer_;
  RecordFilter filter_;
  CallPairing pairing_;
};
