#include "WireCapture.h"

#include <cmath>
#include <nlohmann/json.hpp>

#include "logging/WireBytes.h"

namespace {
constexpr std::string_view kSent = "WireSent";
constexpr std::string_view kReceived = "WireReceived";

// Lower-case (or upper-case) hexadecimal digit pairs back to bytes; nothing when malformed.
std::optional<std::string> FromHex(std::string_view hex) {
  if (hex.size() % 2) return std::nullopt;
  auto digit = [](char c) -> int {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
  };
  std::string bytes;
  for (size_t i = 0; i < hex.size(); i += 2) {
    const int high = digit(hex[i]), low = digit(hex[i + 1]);
    if (high < 0 || low < 0) return std::nullopt;
    bytes += static_cast<char>(high * 16 + low);
  }
  return bytes;
}

// Bytes as a text people can read: printable ASCII as it is, the rest as \n, \r, \t or \xNN.
std::string Readable(std::string_view bytes) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string text;
  for (const char c : bytes) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '\\') text += "\\\\";
    else if (c == '\n') text += "\\n";
    else if (c == '\r') text += "\\r";
    else if (c == '\t') text += "\\t";
    else if (byte >= 0x20 && byte < 0x7F) text += c;
    else text += std::string("\\x") + kDigits[byte >> 4] + kDigits[byte & 15];
  }
  return text;
}

// Transfers from the named values of one record, in the order sent, received.
template <class Lookup>
std::vector<WireTransfer> Transfers(const Lookup& lookup, int64_t timeMs) {
  std::vector<WireTransfer> transfers;
  const std::optional<std::string> instrument = lookup("Stream");
  if (!instrument || instrument->empty()) return transfers;
  for (const std::string_view name : {kSent, kReceived}) {
    const std::optional<std::string> hex = lookup(name);
    if (!hex) continue;
    std::optional<std::string> bytes = FromHex(*hex);
    if (!bytes || bytes->empty()) continue;  // a read that brought nothing is no transfer
    transfers.push_back({*instrument, name == kSent, timeMs, std::move(*bytes)});
  }
  return transfers;
}
}  // namespace

std::vector<WireTransfer> WireCapture::TransfersOf(const LogRecord& record) {
  return Transfers(
      [&](std::string_view name) -> std::optional<std::string> {
        for (const LogRecordValue& value : record.values)
          if (value.name == name && value.kind == LogRecordValue::Kind::Text) return value.text;
        return std::nullopt;
      },
      record.TimeMs());
}

std::vector<WireTransfer> WireCapture::TransfersOfJsonLine(const std::string& line) {
  const nlohmann::json object = nlohmann::json::parse(line, nullptr, false);
  if (!object.is_object() || !object.contains("values") || !object["values"].is_array() ||
      !object.contains("time") || !object["time"].is_number())
    return {};
  const nlohmann::json& values = object["values"];
  const auto timeMs = static_cast<int64_t>(std::llround(object["time"].get<double>() * 1000.0));
  return Transfers(
      [&](std::string_view name) -> std::optional<std::string> {
        for (const nlohmann::json& value : values)
          if (value.is_object() && value.value("name", "") == name && value.contains("value") &&
              value["value"].is_string())
            return value["value"].get<std::string>();
        return std::nullopt;
      },
      timeMs);
}

WireCapture::WireCapture(std::ostream& out) : out_(out) {
  out_ << nlohmann::json{{"format", "swmsim-capture"}, {"version", kVersion}}.dump() << '\n';
  out_.flush();
}

void WireCapture::Add(const WireTransfer& transfer) {
  if (!startMs_) startMs_ = transfer.timeMs;
  nlohmann::ordered_json line;
  line["t"] = transfer.timeMs - *startMs_;
  line["instrument"] = transfer.instrument;
  line["dir"] = transfer.sent ? "sent" : "received";
  line["hex"] = WireHex(transfer.bytes);
  line["text"] = Readable(transfer.bytes);
  out_ << line.dump() << '\n';
  out_.flush();
}

bool WireCapture::FromJsonLog(std::istream& log, std::ostream& out, std::string* error) {
  WireCapture capture(out);
  std::string line;
  for (size_t number = 1; std::getline(log, line); ++number) {
    if (line.empty()) continue;
    if (!nlohmann::json::accept(line)) {
      if (error) *error = "line " + std::to_string(number) + " is not JSON";
      return false;
    }
    for (const WireTransfer& transfer : TransfersOfJsonLine(line)) capture.Add(transfer);
  }
  return true;
}
