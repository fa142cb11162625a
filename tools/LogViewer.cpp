#include "LogViewer.h"

#include <string>

#include "LogRecordParser.h"

bool LogViewer::Handle(std::string_view datagram, std::ostream& out) {
  LogRecord record;
  std::string error;
  if (!LogRecordParser::Parse(datagram, &record, &error)) {
    // Raw datagrams pass the filter only when none is set.
    if (!filter_.Empty()) return false;
    printer_->PrintRaw(out, datagram, error);
    return true;
  }
  // Pairing sees every record, so that depths stay right when some are not shown.
  const CallPairing::Placement placement = pairing_.Place(record);
  // A gap concerns every record of the process: it is shown whatever the filter.
  if (placement.lost) printer_->PrintGap(out, record, placement.lost);
  if (placement.backFrom) printer_->PrintBack(out, record, placement.backFrom);
  if (!filter_.Matches(record)) return false;
  printer_->Print(out, record, placement);
  return true;
}
