#include "sim/comtest/ComtestUnit.h"

#include <nlohmann/json.hpp>

namespace sim {

std::string ComtestUnit::Configure(const std::string& key, const std::string&) {
  return "unknown key '" + key + "' for family comtest (it has none)";
}

std::optional<std::string> ComtestUnit::Handle(const std::string& command) {
  for (char byte : command) {
    statusByte_ = static_cast<uint8_t>(byte);
    applied_.push_back(statusByte_);
  }
  return std::nullopt;
}

std::string ComtestUnit::Relay(int relay) const {
  if (relay < 1 || relay > kRelays) return "";
  return (statusByte_ >> (relay - 1)) & 1 ? "NO" : "NC";
}

void ComtestUnit::Reset() {
  statusByte_ = 0;
  applied_.clear();
}

nlohmann::json ComtestUnit::State() const {
  nlohmann::json relays = nlohmann::json::object();
  for (int relay = 1; relay <= kRelays; ++relay) relays[std::to_string(relay)] = Relay(relay);
  return {{"status_byte", statusByte_}, {"relays", relays}, {"applied", applied_}};
}

}  // namespace sim
