#include "sim/relaybox/RelayBox.h"

#include <cstdlib>
#include <nlohmann/json.hpp>

namespace sim {
namespace {
// 0 to 255, decimal or 0x hexadecimal.
bool ParseByte(const std::string& text, uint8_t* byte) {
  if (text.empty()) return false;
  char* end = nullptr;
  const long value = std::strtol(text.c_str(), &end, 0);
  if (*end != '\0' || value < 0 || value > 255) return false;
  *byte = static_cast<uint8_t>(value);
  return true;
}
}  // namespace

std::string RelayBox::Configure(const std::string& key, const std::string& value) {
  if (key == "echo") {
    if (value != "on" && value != "never") return "echo needs on or never, not '" + value + "'";
    echo_ = value == "on";
    return "";
  }
  if (key == "high-bits") {
    uint8_t byte = 0;
    if (!ParseByte(value, &byte) || (byte & 0x0F)) return "high-bits needs a byte of the upper four bits, not '" + value + "'";
    highBits_ = byte;
    return "";
  }
  if (key == "stuck") {
    uint8_t byte = 0;
    if (value == "none") {
      stuck_.reset();
    } else if (ParseByte(value, &byte) && byte <= 0x0F) {
      stuck_ = byte;
      relays_ = byte;
    } else {
      return "stuck needs a relay byte 0 to 0x0F or none, not '" + value + "'";
    }
    return "";
  }
  if (key == "report-every") {
    char* end = nullptr;
    const long ms = std::strtol(value.c_str(), &end, 10);
    if (value.empty() || *end != '\0' || ms < 0 || ms > 60000) return "report-every needs 0 to 60000 ms, not '" + value + "'";
    reportEveryMs_ = static_cast<uint32_t>(ms);
    return "";
  }
  return "unknown key '" + key + "' for family relaybox (echo, high-bits, stuck, report-every)";
}

std::optional<std::string> RelayBox::Handle(const std::string& command) {
  if (command.empty()) return std::nullopt;
  for (const char c : command) {
    const auto byte = static_cast<uint8_t>(c);
    received_.push_back(byte);
    relays_ = stuck_ ? *stuck_ : static_cast<uint8_t>(byte & 0x0F);
  }
  if (!echo_) return std::nullopt;
  return std::string(1, static_cast<char>(relays_ | highBits_));
}

void RelayBox::Reset() {
  relays_ = stuck_ ? *stuck_ : 0;
  received_.clear();
}

nlohmann::json RelayBox::State() const {
  nlohmann::json relays = nlohmann::json::array();
  for (int i = 0; i < 4; ++i) relays.push_back((relays_ >> i) & 1 ? "on" : "off");
  return {{"relays", relays},
          {"relay_byte", relays_},
          {"received", received_},
          {"echo", echo_ ? "on" : "never"},
          {"high_bits", highBits_},
          {"report_every_ms", reportEveryMs_},
          {"stuck", stuck_ ? nlohmann::json(*stuck_) : nlohmann::json("none")}};
}

}  // namespace sim
