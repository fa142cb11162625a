#include "CallTreePrinter.h"

#include <time.h>

#include <cstdio>

#include "TextEscaping.h"

namespace {
std::string LocalTime(const LogRecord& record) {
  const time_t seconds = static_cast<time_t>(record.seconds);
  tm local{};
  localtime_r(&seconds, &local);
  char text[32];
  std::snprintf(text, sizeof text, "%02d:%02d:%02d.%03d", local.tm_hour, local.tm_min, local.tm_sec,
                record.milliseconds);
  return text;
}

std::string ValueText(const LogRecordValue& value) {
  if (value.kind == LogRecordValue::Kind::Text) return TextEscaping::Quoted(value.text);
  return value.text;
}
}  // namespace

void CallTreePrinter::Print(std::ostream& out, const LogRecord& record, const CallPairing::Placement& placement) {
  out << LocalTime(record) << ' ';
  if (record.pid) out << '[' << *record.pid << "] ";
  else out << "[-] ";
  out << std::string(static_cast<size_t>(placement.depth) * 2, ' ');
  switch (record.kind) {
    case LogRecord::Kind::Begin: out << "> "; break;
    case LogRecord::Kind::End: out << "< "; break;
    case LogRecord::Kind::Single: out << "- "; break;
  }
  out << TextEscaping::Printable(record.function) << " (" << TextEscaping::Printable(record.module) << ") "
      << TextEscaping::Printable(record.type);
  if (record.kind == LogRecord::Kind::End) {
    if (placement.durationMs) out << " [" << *placement.durationMs << " ms]";
    else out << " [? ms]";
  }
  const std::string description = record.Description();
  if (!description.empty()) out << ": " << TextEscaping::Printable(description);
  // Values follow their category; the record's own first category goes unsaid.
  const std::string* shownCategory = record.categories.empty() ? nullptr : &record.categories.front();
  bool describedOnce = false;
  for (const LogRecordValue& value : record.values) {
    if (value.name == "description" && !describedOnce) {
      describedOnce = true;
      continue;
    }
    if (!shownCategory || value.category != *shownCategory) {
      out << " {" << TextEscaping::Printable(value.category) << '}';
      shownCategory = &value.category;
    }
    out << ' ' << TextEscaping::Printable(value.name) << '=' << ValueText(value);
  }
  out << '\n';
}

void CallTreePrinter::PrintRaw(std::ostream& out, std::string_view datagram, std::string_view error) {
  out << "?? " << TextEscaping::Printable(datagram) << "  (" << error << ")\n";
}
