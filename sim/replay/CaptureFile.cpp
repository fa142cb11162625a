#include "sim/replay/CaptureFile.h"

#include <fstream>
#include <nlohmann/json.hpp>
#include <set>

namespace sim {
namespace {
constexpr int kVersion = 1;

bool FromHex(const std::string& hex, std::string* bytes) {
  auto digit = [](char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
  };
  if (hex.size() % 2) return false;
  bytes->clear();
  for (size_t i = 0; i < hex.size(); i += 2) {
    const int high = digit(hex[i]), low = digit(hex[i + 1]);
    if (high < 0 || low < 0) return false;
    *bytes += static_cast<char>(high * 16 + low);
  }
  return true;
}
}  // namespace

bool ReadCapture(const std::string& path, const std::string& instrument, std::vector<CapturedTransfer>* transfers,
                 std::string* error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    *error = "cannot read capture " + path;
    return false;
  }
  transfers->clear();
  std::set<std::string> names;
  std::string line;
  for (int number = 1; std::getline(in, line); ++number) {
    const std::string where = path + ":" + std::to_string(number) + ": ";
    const nlohmann::json object = nlohmann::json::parse(line, nullptr, false);
    if (!object.is_object()) {
      *error = where + "not a JSON object";
      return false;
    }
    if (number == 1) {
      if (object.value("format", "") != "swmsim-capture") {
        *error = where + "not a capture file (no \"format\":\"swmsim-capture\")";
        return false;
      }
      if (object.value("version", 0) != kVersion) {
        *error = where + "capture version " + object.value("version", nlohmann::json()).dump() +
                 " is not known (this simulator reads version 1)";
        return false;
      }
      continue;
    }
    CapturedTransfer transfer;
    const std::string dir = object.value("dir", "");
    if (!object.contains("t") || !object["t"].is_number_integer() || (dir != "sent" && dir != "received") ||
        !object.contains("instrument") || !object["instrument"].is_string() ||
        !FromHex(object.value("hex", "?"), &transfer.bytes)) {
      *error = where + "a transfer needs \"t\", \"instrument\", \"dir\" (sent or received) and \"hex\"";
      return false;
    }
    const std::string name = object["instrument"].get<std::string>();
    names.insert(name);
    if (name != instrument) continue;
    transfer.timeMs = object["t"].get<int64_t>();
    transfer.sent = dir == "sent";
    transfers->push_back(std::move(transfer));
  }
  if (names.count(instrument)) return true;
  std::string known;
  for (const std::string& name : names) known += (known.empty() ? "" : ", ") + name;
  *error = "capture " + path + " has no instrument '" + instrument + "' (it has: " +
           (known.empty() ? "none" : known) + ")";
  return false;
}

}  // namespace sim
