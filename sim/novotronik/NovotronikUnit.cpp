#include "sim/novotronik/NovotronikUnit.h"

#include <cstdio>
#include <nlohmann/json.hpp>
#include <regex>

#include "sim/core/WireText.h"

namespace sim {
namespace {
constexpr char kSTX = 0x02;
constexpr char kETX = 0x03;
}  // namespace

std::string NovotronikUnit::Configure(const std::string& key, const std::string& value) {
  if (key == "framing") {
    if (value != "stx-etx" && value != "plain") return "framing needs stx-etx or plain, not '" + value + "'";
    framed_ = value == "stx-etx";
    pending_.clear();
    return "";
  }
  if (key == "idn" || key == "model") {
    std::string error;
    const std::optional<std::string> text = UnescapeText(value, &error);
    if (text) (key == "idn" ? identity_ : model_) = *text;
    return error;
  }
  if (key == "poles") {
    int count = 0;
    if (std::sscanf(value.c_str(), "%d", &count) != 1 || count < 2 || count > 100)
      return "poles needs 2 to 100, not '" + value + "'";
    poleCount_ = count;
    return "";
  }
  if (key == "stuck") {
    if (value == "none") {
      stuckSwitch_ = 0;
      return "";
    }
    int sw = 0, pole = 0;
    char end = 0;
    if (std::sscanf(value.c_str(), "%d:%d%c", &sw, &pole, &end) != 2 || sw < 1 || sw > kSwitches || pole < 0 ||
        pole >= poleCount_)
      return "stuck needs SWITCH:POLE (1 to 8, a pole of the switch) or none, not '" + value + "'";
    stuckSwitch_ = sw;
    stuckPole_ = pole;
    poles_[static_cast<size_t>(sw - 1)] = pole;
    return "";
  }
  return "unknown key '" + key + "' for family novotronik (framing, idn, model, poles, stuck)";
}

std::optional<std::string> NovotronikUnit::Handle(const std::string& command) {
  if (!framed_) return command.empty() ? std::nullopt : Execute(command);
  // Frames may arrive in pieces or several at once; bytes outside a frame are line noise.
  pending_ += command;
  std::optional<std::string> answers;
  for (;;) {
    const size_t start = pending_.find(kSTX);
    if (start == std::string::npos) {
      pending_.clear();
      break;
    }
    const size_t end = pending_.find(kETX, start + 1);
    if (end == std::string::npos) {
      pending_.erase(0, start);
      break;
    }
    const std::string frame = pending_.substr(start + 1, end - start - 1);
    pending_.erase(0, end + 1);
    if (std::optional<std::string> answer = Execute(frame)) answers = answers.value_or("") + kSTX + *answer + kETX;
  }
  return answers;
}

std::optional<std::string> NovotronikUnit::Execute(const std::string& command) {
  static const std::regex set("^SES([0-9]{2})P([0-9]{2})$");
  std::smatch match;
  if (command == "*IDN" || command == "*IDN?") return identity_;
  if (command == "STI") return "STI " + model_;
  if (command == "STM") return "STM " + std::to_string(kSwitches);
  if (command == "STS") {
    ++statusQueries_;
    std::string status;
    for (int sw = 1; sw <= kSwitches; ++sw) {
      char item[16];
      std::snprintf(item, sizeof item, "%sS%02dP%02d", sw == 1 ? "" : " ", sw, Pole(sw));
      status += item;
    }
    return status;
  }
  if (std::regex_match(command, match, set)) {
    ++setCommands_;
    const int sw = std::stoi(match[1].str()), pole = std::stoi(match[2].str());
    if (sw >= 1 && sw <= kSwitches && pole < poleCount_ && sw != stuckSwitch_)
      poles_[static_cast<size_t>(sw - 1)] = pole;
    return std::nullopt;
  }
  ++unknown_;
  return std::nullopt;
}

void NovotronikUnit::Reset() {
  poles_.fill(0);
  if (stuckSwitch_) poles_[static_cast<size_t>(stuckSwitch_ - 1)] = stuckPole_;
  pending_.clear();
  setCommands_ = statusQueries_ = unknown_ = 0;
}

nlohmann::json NovotronikUnit::State() const {
  return {{"framing", framed_ ? "stx-etx" : "plain"},
          {"idn", BytesToUtf8(identity_)},
          {"poles", poles_},
          {"stuck", stuckSwitch_ ? std::to_string(stuckSwitch_) + ":" + std::to_string(stuckPole_) : "none"},
          {"set_commands", setCommands_},
          {"status_queries", statusQueries_},
          {"unknown_commands", unknown_}};
}

}  // namespace sim
