#include "sim/stribel/StribelController.h"

#include <nlohmann/json.hpp>
#include <regex>

namespace sim {

std::string StribelController::Configure(const std::string& key, const std::string& value) {
  if (key != "answer") return "unknown key '" + key + "' for family stribel (answer)";
  static const std::regex error("^error (-?[0-9]+)$");
  std::smatch match;
  if (value == "ok") {
    answer_ = "OK";
  } else if (value == "silent") {
    answer_.reset();
  } else if (std::regex_match(value, match, error)) {
    answer_ = "ERROR " + match[1].str();
  } else if (value.starts_with("raw ")) {
    answer_ = value.substr(4);
  } else {
    return "answer needs ok, error N, silent or raw TEXT, not '" + value + "'";
  }
  return "";
}

StribelController::StartMessage StribelController::ParseStart(const std::string& text) {
  static const std::regex form(
      "^START:([0-9.eE+-]+)MHZ,(-?[0-9]+)VM,(CARRIER|AM,([0-9.eE+-]+)HZ,([0-9.eE+-]+)%|FM,([0-9.eE+-]+)HZ,([0-9.eE+-]+)HZ)$");
  StartMessage start;
  start.text = text;
  std::smatch match;
  if (!std::regex_match(text, match, form)) return start;
  start.valid = true;
  start.frequencyMHz = std::stod(match[1].str());
  start.field = std::stol(match[2].str());
  const std::string kind = match[3].str();
  start.modulation = kind.substr(0, kind.find(','));
  if (match[4].matched) {
    start.modulationHz = std::stod(match[4].str());
    start.parameter = std::stod(match[5].str());
  } else if (match[6].matched) {
    start.modulationHz = std::stod(match[6].str());
    start.parameter = std::stod(match[7].str());
  }
  return start;
}

std::optional<std::string> StribelController::Handle(const std::string& command) {
  if (command.empty()) return std::nullopt;
  if (command == "INIT") {
    initialised_ = true;
  } else if (command == "ENDE") {
    ++ends_;
  } else if (command.starts_with("START:")) {
    starts_.push_back(ParseStart(command));
  } else {
    unknown_.push_back(command);
  }
  return answer_;
}

void StribelController::Reset() {
  starts_.clear();
  unknown_.clear();
  initialised_ = false;
  ends_ = 0;
}

nlohmann::json StribelController::State() const {
  nlohmann::json starts = nlohmann::json::array();
  for (const StartMessage& start : starts_)
    starts.push_back({{"text", start.text},
                      {"valid", start.valid},
                      {"frequency_mhz", start.frequencyMHz},
                      {"field", start.field},
                      {"modulation", start.modulation},
                      {"modulation_hz", start.modulationHz},
                      {"parameter", start.parameter}});
  return {{"initialised", initialised_},
          {"ends", ends_},
          {"answer", answer_ ? nlohmann::json(*answer_) : nlohmann::json("silent")},
          {"starts", starts},
          {"unknown", unknown_}};
}

}  // namespace sim
