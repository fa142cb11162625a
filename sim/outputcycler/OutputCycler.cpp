#include "sim/outputcycler/OutputCycler.h"

#include <nlohmann/json.hpp>

namespace sim {

std::string OutputCycler::Configure(const std::string& key, const std::string& value) {
  if (key == "idn") {
    idn_ = value;
    return "";
  }
  if (key == "output" && (value == "on" || value == "off")) {
    on_ = onAtPowerOn_ = value == "on";
    return "";
  }
  return key == "output" ? "output must be on or off" : "unknown key '" + key + "'";
}

void OutputCycler::Reset() {
  poweredOn_ = std::chrono::steady_clock::now();
  on_ = onAtPowerOn_;
  changes_.clear();
  unchanged_ = rejected_ = 0;
}

std::optional<std::string> OutputCycler::Handle(const std::string& raw) {
  std::string command = raw;
  while (!command.empty() && (command.back() == '\n' || command.back() == '\r')) command.pop_back();
  if (command == "*IDN?") return idn_;
  if (command == "OUTPUT?") return std::string(on_ ? "1" : "0");
  if (command != "OUTPUT ON" && command != "OUTPUT OFF") {
    ++rejected_;
    return std::nullopt;
  }
  const bool on = command == "OUTPUT ON";
  if (on == on_) {
    ++unchanged_;
    return std::nullopt;
  }
  on_ = on;
  const auto since = std::chrono::steady_clock::now() - poweredOn_;
  changes_.push_back({on, std::chrono::duration_cast<std::chrono::milliseconds>(since).count()});
  return std::nullopt;
}

std::vector<std::string> OutputCycler::ChangeWords() const {
  std::vector<std::string> words;
  for (const Change& change : changes_) words.push_back(change.on ? "ON" : "OFF");
  return words;
}

nlohmann::json OutputCycler::State() const {
  nlohmann::json changes = nlohmann::json::array();
  for (const Change& change : changes_) changes.push_back({{"output", change.on ? "on" : "off"}, {"at_ms", change.atMs}});
  return {{"idn", idn_}, {"output", on_ ? "on" : "off"}, {"changes", changes}, {"unchanged", unchanged_},
          {"rejected", rejected_}};
}

}  // namespace sim
