#include "CallTreePrinter.h"

#include <time.h>

#include <charconv>
#include <cinttypes>
#include <cstdio>

#include "TextEscaping.h"
#include "framework/StatusText.h"

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

// A status as the host sees it: eight hexadecimal digits, and the text of a
// status that every driver shares (the texts of a driver's own codes are
// known to that driver alone).
std::string StatusText(const LogRecordValue& value) {
  uint32_t status = 0;
  const char* end = value.text.data() + value.text.size();
  const auto parsed = std::from_chars(value.text.data(), end, status);
  if (parsed.ec != std::errc() || parsed.ptr != end) return value.text;
  char hex[16];
  std::snprintf(hex, sizeof hex, "0x%08" PRIX32, status);
  const std::string_view text = StatusText::Shared(status);
  return text.empty() ? std::string(hex) : std::string(hex) + " " + TextEscaping::Quoted(text);
}

// The values that hold a status: the result of a call, and the status of the
// attempt before a retry.
bool IsStatus(const LogRecordValue& value) {
  return value.kind == LogRecordValue::Kind::Integer && (value.name == "Err" || value.name == "previousTryErrorCode");
}

std::string ValueText(const LogRecordValue& value) {
  if (value.kind == LogRecordValue::Kind::Text) return TextEscaping::Quoted(value.text);
  if (IsStatus(value)) return StatusText(value);
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

void CallTreePrinter::PrintGap(std::ostream& out, const LogRecord& record, uint64_t lost) {
  out << LocalTime(record) << " [" << record.pid.value_or(0) << "] " << lost << (lost == 1 ? " record" : " records")
      << " lost\n";
}

void CallTreePrinter::PrintBack(std::ostream& out, const LogRecord& record, uint64_t highest) {
  out << LocalTime(record) << " [" << record.pid.value_or(0) << "] record " << record.sequence.value_or(0)
      << " came after record " << highest << " (late, or a new process with this ID)\n";
}

void CallTreePrinter::PrintRaw(std::ostream& out, std::string_view datagram, std::string_view error) {
  out << "?? " << TextEscaping::Printable(datagram) << "  (" << error << ")\n";
}
