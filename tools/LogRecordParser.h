#pragma once
// Decodes the text of a log record (docs/log-format.md). Any input is safe:
// what does not follow the format is refused with a reason, never guessed.
#include <string>
#include <string_view>

#include "LogRecord.h"

class LogRecordParser {
public:
  // True when `text` is a whole, well-formed record.
  static bool Parse(std::string_view text, LogRecord* record, std::string* error);
};
