#include "sim/probex/ProbexProbe.h"

#include <nlohmann/json.hpp>
#include <regex>

namespace sim {
namespace {
std::string Trimmed(const std::string& text) {
  const size_t first = text.find_first_not_of(" \t\r\n");
  if (first == std::string::npos) return "";
  return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}
}  // namespace

std::string ProbexProbe::Configure(const std::string& key, const std::string& value) {
  if (key == "idn") {
    idn_ = value;
    return "";
  }
  if (key == "error-number") {
    try {
      errorNumber_ = std::stol(value);
    } catch (...) {
      return "bad error number '" + value + "'";
    }
    return "";
  }
  return "unknown key '" + key + "' for family probex";
}

std::optional<std::string> ProbexProbe::Handle(const std::string& received) {
  const std::string command = Trimmed(received);
  if (command.empty()) return std::nullopt;
  if (command == "*IDN?" || command == "A*IDN?") return idn_;
  if (command == "LOCAL") return "OK";
  static const std::regex start("^!ADJUST_START ([XYZ](?:HB[12]|LB))$");
  static const std::regex field("^!ADJUST_FIELD (-?[0-9]{1,9})$");
  std::smatch match;
  if (std::regex_match(command, match, start)) {
    adjusting_ = true;
    target_ = match[1].str();
    fields_.clear();
    return "OK";
  }
  if (adjusting_ && std::regex_match(command, match, field)) {
    fields_.push_back(std::stol(match[1].str()));
    return "OK";
  }
  if (adjusting_ && command == "!ADJUST_STOP") {
    adjusting_ = false;
    ++completed_;
    return "OK";
  }
  return "ERROR " + std::to_string(errorNumber_);
}

void ProbexProbe::Reset() {
  adjusting_ = false;
  target_.clear();
  fields_.clear();
  completed_ = 0;
}

nlohmann::json ProbexProbe::State() const {
  return {{"adjusting", adjusting_}, {"target", target_}, {"fields", fields_}, {"completed", completed_}};
}

}  // namespace sim
