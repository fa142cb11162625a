#include "JsonLinePrinter.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <string_view>

#include "TextEscaping.h"

namespace {
const char* KindName(LogRecord::Kind kind) {
  switch (kind) {
    case LogRecord::Kind::Begin: return "begin";
    case LogRecord::Kind::End: return "end";
    default: return "single";
  }
}

const char* ValueKindName(LogRecordValue::Kind kind) {
  switch (kind) {
    case LogRecordValue::Kind::Integer: return "integer";
    case LogRecordValue::Kind::Real: return "real";
    case LogRecordValue::Kind::Boolean: return "boolean";
    default: return "text";
  }
}

// A JSON value for the decoded value: numbers as numbers (a real that is not
// finite as a string), booleans as true/false, texts as strings.
std::string JsonValue(const LogRecordValue& value) {
  switch (value.kind) {
    case LogRecordValue::Kind::Integer: {
      std::string_view digits = value.text;
      if (!digits.empty() && digits[0] == '+') digits.remove_prefix(1);
      int64_t integer = 0;
      uint64_t natural = 0;
      const char* end = digits.data() + digits.size();
      const auto asSigned = std::from_chars(digits.data(), end, integer);
      if (asSigned.ec == std::errc() && asSigned.ptr == end) return std::to_string(integer);
      const auto asUnsigned = std::from_chars(digits.data(), end, natural);
      if (asUnsigned.ec == std::errc() && asUnsigned.ptr == end) return std::to_string(natural);
      return TextEscaping::Json(value.text);  // beyond 64 bits
    }
    case LogRecordValue::Kind::Real: {
      const double real = std::strtod(value.text.c_str(), nullptr);
      if (!std::isfinite(real)) return TextEscaping::Json(value.text);
      char digits[64];
      const auto result = std::to_chars(digits, digits + sizeof digits, real);
      return std::string(digits, result.ptr);
    }
    case LogRecordValue::Kind::Boolean: return value.boolean ? "true" : "false";
    default: return TextEscaping::Json(value.text);
  }
}
}  // namespace

void JsonLinePrinter::Print(std::ostream& out, const LogRecord& record, const CallPairing::Placement& placement) {
  out << "{\"record\":\"" << KindName(record.kind) << '"';
  if (record.pid) out << ",\"pid\":" << *record.pid;
  else out << ",\"pid\":null";
  if (record.kind != LogRecord::Kind::Single) out << ",\"scope\":" << TextEscaping::Json(record.scope);
  else out << ",\"scope\":null";
  if (record.sequence) out << ",\"seq\":" << *record.sequence;
  else out << ",\"seq\":null";
  char millis[8];
  std::snprintf(millis, sizeof millis, "%03d", record.milliseconds);
  out << ",\"time\":" << record.seconds << '.' << millis << ",\"function\":" << TextEscaping::Json(record.function)
      << ",\"module\":" << TextEscaping::Json(record.module) << ",\"type\":" << TextEscaping::Json(record.type)
      << ",\"description\":" << TextEscaping::Json(record.Description()) << ",\"depth\":" << placement.depth;
  if (record.kind == LogRecord::Kind::End) {
    if (placement.durationMs) out << ",\"duration_ms\":" << *placement.durationMs;
    else out << ",\"duration_ms\":null";
  }
  out << ",\"categories\":[";
  for (size_t i = 0; i < record.categories.size(); ++i)
    out << (i ? "," : "") << TextEscaping::Json(record.categories[i]);
  out << "],\"values\":[";
  for (size_t i = 0; i < record.values.size(); ++i) {
    const LogRecordValue& value = record.values[i];
    out << (i ? "," : "") << "{\"category\":" << TextEscaping::Json(value.category)
        << ",\"name\":" << TextEscaping::Json(value.name) << ",\"kind\":\"" << ValueKindName(value.kind)
        << "\",\"value\":" << JsonValue(value) << '}';
  }
  out << "]}\n";
}

void JsonLinePrinter::PrintGap(std::ostream& out, const LogRecord& record, uint64_t lost) {
  out << "{\"record\":\"gap\",\"pid\":" << record.pid.value_or(0) << ",\"lost\":" << lost << "}\n";
}

void JsonLinePrinter::PrintBack(std::ostream& out, const LogRecord& record, uint64_t highest) {
  out << "{\"record\":\"back\",\"pid\":" << record.pid.value_or(0) << ",\"seq\":" << record.sequence.value_or(0)
      << ",\"highest\":" << highest << "}\n";
}

void JsonLinePrinter::PrintRaw(std::ostream& out, std::string_view datagram, std::string_view error) {
  out << "{\"record\":\"raw\",\"raw\":" << TextEscaping::Json(datagram) << ",\"error\":" << TextEscaping::Json(error)
      << "}\n";
}
