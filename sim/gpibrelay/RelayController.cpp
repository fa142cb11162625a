#include "sim/gpibrelay/RelayController.h"

#include <algorithm>
#include <nlohmann/json.hpp>

namespace sim {
namespace {
using Changes = std::vector<std::pair<std::string, std::string>>;

struct ModelName {
  const char* name;
  RelayController::Model model;
};
constexpr ModelName kModels[] = {
    {"hp11713a", RelayController::Model::kHp11713a}, {"hp59307", RelayController::Model::kHp59307},
    {"emco2090", RelayController::Model::kEmco2090}, {"emco5390", RelayController::Model::kEmco5390},
    {"sciu", RelayController::Model::kSciu},         {"ics4874", RelayController::Model::kIcs4874},
    {"ics4864", RelayController::Model::kIcs4864}};

bool Digit(char c) { return c >= '0' && c <= '9'; }

// A number of exactly the given text (digits only), or nothing.
std::optional<int> Number(const std::string& text) {
  if (text.empty() || text.size() > 6 || !std::all_of(text.begin(), text.end(), Digit)) return std::nullopt;
  return std::stoi(text);
}

std::string TwoDigits(int n) { return (n < 10 ? "0" : "") + std::to_string(n); }
}  // namespace

void RelayController::SetModel(Model model) {
  model_ = model;
  std::vector<std::string> names;
  switch (model) {
    case Model::kHp11713a:
      for (int k = 0; k <= 9; ++k) names.push_back(std::to_string(k));
      idn_ = "SWMSIM,11713A,0,1.0";
      break;
    case Model::kHp59307:
      names = {"A", "B"};
      idn_ = "SWMSIM,59307A,0,1.0";
      break;
    case Model::kEmco2090:
      names = {"AUX1", "AUX2", "AUX3", "AUX4"};
      idn_ = "SWMSIM,2090,0,1.0";
      break;
    case Model::kEmco5390:
      names = {"POSITION"};
      idn_ = "SWMSIM,5390,0,1.0";
      break;
    case Model::kSciu:
      names = {"A", "B", "B1", "B3", "B5", "B7"};
      idn_ = "SWMSIM,SCIU,0,1.0";
      break;
    case Model::kIcs4874:
    case Model::kIcs4864: {
      const bool is4874 = model == Model::kIcs4874;
      if (relays_ <= 0) relays_ = is4874 ? 24 : 16;
      for (int k = 1; k <= relays_; ++k) names.push_back("R" + TwoDigits(k));
      idn_ = std::string("SWMSIM ") + (is4874 ? "4874" : "4864") + " relay interface";
      break;
    }
  }
  items_.clear();
  for (const std::string& name : names) items_.emplace_back(name, "");
}

std::string RelayController::Configure(const std::string& key, const std::string& value) {
  if (key == "model") {
    for (const ModelName& entry : kModels) {
      if (value == entry.name) {
        relays_ = 0;
        SetModel(entry.model);
        return "";
      }
    }
    return "unknown model '" + value + "' (hp11713a, hp59307, emco2090, emco5390, sciu, ics4874, ics4864)";
  }
  if (key == "idn") {
    idn_ = value;
    return "";
  }
  if (key == "relays") {
    const std::optional<int> count = Number(value);
    if (!count || *count < 1 || *count > 99) return "relays must be 1 to 99";
    if (model_ != Model::kIcs4874 && model_ != Model::kIcs4864) return "relays applies to the ics models only";
    relays_ = *count;
    const std::string idn = idn_;
    SetModel(model_);
    idn_ = idn;
    return "";
  }
  if (key == "inputs") {
    if (value.size() != 8 || value.find_first_not_of("01") != std::string::npos)
      return "inputs must be eight characters 0 or 1";
    inputs_ = value;
    return "";
  }
  if (key == "opc-delay") {
    if (value == "never") {
      opcDelayMs_.reset();
      return "";
    }
    const std::optional<int> ms = Number(value);
    if (!ms) return "opc-delay must be milliseconds or never";
    opcDelayMs_ = static_cast<uint32_t>(*ms);
    return "";
  }
  if (key == "stop-listening") {
    if (value.empty()) {
      stopListening_.reset();
      stopListeningText_.clear();
      return "";
    }
    try {
      stopListening_ = std::regex(value, std::regex::ECMAScript);
      stopListeningText_ = value;
    } catch (const std::regex_error& e) {
      return std::string("bad regular expression: ") + e.what();
    }
    return "";
  }
  return "unknown key '" + key + "'";
}

void RelayController::Reset() {
  for (auto& item : items_) item.second.clear();
  hung_ = false;
  esr_ = ese_ = sre_ = 0;
  opcArmed_ = moving_ = false;
}

std::optional<Changes> RelayController::Decode(const std::string& command) const {
  Changes changes;
  switch (model_) {
    case Model::kHp11713a:
    case Model::kHp59307: {
      const bool attenuator = model_ == Model::kHp11713a;
      size_t at = 0;
      while (at < command.size()) {
        const char letter = command[at++];
        if (letter != 'A' && letter != 'B') return std::nullopt;
        const size_t start = at;
        while (at < command.size() && Digit(command[at])) {
          const char digit = command[at++];
          if (attenuator) {
            changes.emplace_back(std::string(1, digit), letter == 'A' ? "set" : "reset");
          } else {
            if (digit > '3' || at - start > 1) return std::nullopt;
            changes.emplace_back(std::string(1, letter), std::to_string(digit - '0' + 1));
          }
        }
        if (at == start) return std::nullopt;
      }
      return changes.empty() ? std::nullopt : std::optional(changes);
    }
    case Model::kEmco2090: {
      static const std::regex aux("AUX ([1-4]) (ON|OFF)");
      std::smatch match;
      if (!std::regex_match(command, match, aux)) return std::nullopt;
      return Changes{{"AUX" + match[1].str(), match[2].str()}};
    }
    case Model::kSciu: {
      static const std::regex to("TO:(A0?|B|B1|B3|B5|B7),([01])");
      std::smatch match;
      if (!std::regex_match(command, match, to)) return std::nullopt;
      const std::string name = match[1].str() == "A0" ? "A" : match[1].str();
      return Changes{{name, match[2].str()}};
    }
    case Model::kIcs4874:
    case Model::kIcs4864: {
      if (command.size() != 4 || command[0] != 'R' || (command[3] != '0' && command[3] != '1')) return std::nullopt;
      const std::optional<int> relay = Number(command.substr(1, 2));
      if (!relay || *relay < 1 || *relay > relays_) return std::nullopt;
      return Changes{{"R" + command.substr(1, 2), command[3] == '1' ? "set" : "reset"}};
    }
    case Model::kEmco5390:
      break;
  }
  return std::nullopt;
}

void RelayController::Reject(const std::string& command) {
  ++rejected_;
  lastRejected_ = command;
  if (model_ == Model::kEmco5390) esr_ |= 0x20;  // command error
}

void RelayController::Apply(const Changes& changes) {
  for (const auto& [name, value] : changes)
    for (auto& item : items_)
      if (item.first == name) item.second = value;
}

std::optional<std::string> RelayController::Handle(const std::string& raw) {
  std::string command = raw;
  while (!command.empty() && (command.back() == '\n' || command.back() == '\r')) command.pop_back();
  if (command.empty()) return std::nullopt;
  std::optional<std::string> answer;
  const bool ics = model_ == Model::kIcs4874 || model_ == Model::kIcs4864;
  if (model_ == Model::kEmco5390) {
    answer = HandleEmco5390(command);
  } else if (command == "*IDN?" && (model_ == Model::kSciu || model_ == Model::kEmco2090)) {
    answer = idn_;
  } else if (ics && command == "@") {
    answer = idn_;
  } else if (ics && command.size() == 4 && command[0] == 'I' && command[3] == '?') {
    const std::optional<int> input = Number(command.substr(1, 2));
    if (input && *input >= 1 && *input <= 8)
      answer = std::string(1, inputs_[*input - 1]);
    else
      Reject(command);
  } else if (const auto changes = Decode(command)) {
    Apply(*changes);
  } else {
    Reject(command);
  }
  if (stopListening_ && std::regex_match(raw, *stopListening_)) hung_ = true;
  return answer;
}

std::optional<std::string> RelayController::HandleEmco5390(const std::string& command) {
  std::vector<std::string> answers;
  size_t start = 0;
  while (start <= command.size()) {
    size_t end = command.find(';', start);
    if (end == std::string::npos) end = command.size();
    const std::string unit = command.substr(start, end - start);
    bool ok = true;
    if (auto answer = HandleUnit5390(unit, &ok)) answers.push_back(*answer);
    if (!ok) {
      Reject(unit);
      break;  // the rest of a message after an error is not carried out
    }
    start = end + 1;
  }
  if (answers.empty()) return std::nullopt;
  std::string joined;
  for (const std::string& answer : answers) joined += (joined.empty() ? "" : ";") + answer;
  return joined;
}

std::optional<std::string> RelayController::HandleUnit5390(const std::string& unit, bool* ok) {
  auto registerValue = [&](const std::string& prefix, uint8_t* target) {
    const std::optional<int> value = Number(unit.substr(prefix.size()));
    if (!value || *value > 255) return false;
    *target = static_cast<uint8_t>(*value);
    return true;
  };
  if (unit == "*IDN?") return idn_;
  if (unit == "*OPC") {
    opcArmed_ = true;
    return std::nullopt;
  }
  if (unit == "*OPC?") return std::string("1");
  if (unit == "*ESR?") {
    const uint8_t value = esr_;
    esr_ = 0;
    return std::to_string(value);
  }
  if (unit == "*STB?") return std::to_string(StatusByte());
  if (unit == "*CLS") {
    esr_ = 0;
    opcArmed_ = false;
    return std::nullopt;
  }
  if (unit.starts_with("*ESE ")) {
    *ok = registerValue("*ESE ", &ese_);
    return std::nullopt;
  }
  if (unit.starts_with("*SRE ")) {
    *ok = registerValue("*SRE ", &sre_);
    return std::nullopt;
  }
  std::string position;
  if (unit == "PLD") {
    position = "LD";
  } else if (unit.size() >= 2 && unit[0] == 'P') {
    const std::optional<int> number = Number(unit.substr(1));
    if (number && *number >= 1 && *number <= 12 && unit[1] != '0') position = std::to_string(*number);
  }
  if (position.empty()) {
    *ok = false;
    return std::nullopt;
  }
  items_[0].second = position;
  moving_ = true;
  if (opcDelayMs_ && *opcDelayMs_ == 0) CompleteMove();
  if (opcDelayMs_) moveEnds_ = Clock::now() + std::chrono::milliseconds(*opcDelayMs_);
  return std::nullopt;
}

void RelayController::CompleteMove() {
  moving_ = false;
  if (opcArmed_) esr_ |= 0x01;
  opcArmed_ = false;
}

std::optional<uint32_t> RelayController::PendingChangeMs() const {
  if (!moving_ || !opcDelayMs_) return std::nullopt;
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(moveEnds_ - Clock::now()).count();
  return static_cast<uint32_t>(std::max<long long>(left, 0));
}

void RelayController::Tick() {
  if (moving_ && opcDelayMs_ && Clock::now() >= moveEnds_) CompleteMove();
}

uint8_t RelayController::StatusByte() const { return (esr_ & ese_) ? 0x20 : 0; }

std::string RelayController::Item(const std::string& name) const {
  for (const auto& item : items_)
    if (item.first == name) return item.second;
  return "";
}

std::string RelayController::Summary() const {
  std::string summary;
  for (const auto& [name, value] : items_)
    if (!value.empty()) summary += (summary.empty() ? "" : " ") + name + "=" + value;
  return summary;
}

nlohmann::json RelayController::State() const {
  nlohmann::json items = nlohmann::json::object();
  for (const auto& [name, value] : items_) items[name] = value;
  std::string model;
  for (const ModelName& entry : kModels)
    if (entry.model == model_) model = entry.name;
  nlohmann::json state = {{"model", model},       {"idn", idn_},           {"items", items},
                          {"summary", Summary()}, {"rejected", rejected_}, {"last_rejected", lastRejected_},
                          {"listening", !hung_},  {"stop_listening", stopListeningText_}};
  if (model_ == Model::kEmco5390) {
    state["esr"] = esr_;
    state["ese"] = ese_;
    state["sre"] = sre_;
    state["opc_armed"] = opcArmed_;
    state["moving"] = moving_;
    state["opc_delay"] = opcDelayMs_ ? nlohmann::json(*opcDelayMs_) : nlohmann::json("never");
  }
  if (model_ == Model::kIcs4874 || model_ == Model::kIcs4864) state["inputs"] = inputs_;
  return state;
}

}  // namespace sim
