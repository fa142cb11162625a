#include "sim/hubline/HublineCard.h"

#include <charconv>
#include <nlohmann/json.hpp>
#include <regex>

#include "sim/core/WireText.h"
#include "sim/hubline/HublineErrorTable.h"

namespace sim {
namespace {

using Outcome = HublineCard::Outcome;

struct CardType {
  const char* name;
  bool relays;
  int count;
  bool externalPrefix;
};

constexpr CardType kCardTypes[] = {
    {"relay1", true, 1, false},       {"relay2", true, 2, false},
    {"relay4", true, 4, false},       {"sixway1", false, 1, false},
    {"sixway2", false, 2, false},     {"sixway1-ext", false, 1, true},
    {"sixway2-ext", false, 2, true},
};

Outcome Failed(int error) { return {"", error, error == HublineErrorTable::kOutOfRange}; }
Outcome Done() { return {"OK", 0, false}; }

// A decimal number; false when it is not one or does not fit.
bool ParseNumber(std::string_view digits, int* value) {
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), *value);
  return error == std::errc() && end == digits.data() + digits.size() && !digits.empty();
}

// Matches the whole command; the groups as views into it.
bool Match(std::string_view command, const std::regex& pattern, std::vector<std::string_view>* groups) {
  std::cmatch match;
  if (!std::regex_match(command.data(), command.data() + command.size(), match, pattern)) return false;
  groups->clear();
  for (size_t i = 1; i < match.size(); ++i)
    groups->emplace_back(match[i].first, static_cast<size_t>(match[i].length()));
  return true;
}

}  // namespace

std::optional<HublineCard> HublineCard::FromTypeName(std::string_view type) {
  for (const CardType& entry : kCardTypes)
    if (type == entry.name)
      return HublineCard(entry.name, entry.relays ? Kind::kRelay : Kind::kSixWay, entry.count,
                         entry.externalPrefix);
  return std::nullopt;
}

std::string HublineCard::TypeNames() {
  std::string names;
  for (const CardType& entry : kCardTypes) names += (names.empty() ? "" : ", ") + std::string(entry.name);
  return names;
}

HublineCard::HublineCard(std::string type, Kind kind, int count, bool externalPrefix)
    : type_(std::move(type)), kind_(kind), count_(count), externalPrefix_(externalPrefix) {
  identity_ = DefaultIdentity();
  PowerOn();
}

std::string HublineCard::DefaultIdentity() const {
  if (kind_ == Kind::kSixWay) return "TQS6PA";
  return count_ == 4 ? "TQS4PA" : "TQS2PA";
}

void HublineCard::SetBoxes(int count) {
  boxes_.assign(static_cast<size_t>(count), Box{});
}

void HublineCard::PowerOn() {
  normallyOpen_.assign(kind_ == Kind::kRelay ? static_cast<size_t>(count_) : 0, false);
  outputsActive_.fill(false);
  positions_.assign(kind_ == Kind::kSixWay ? static_cast<size_t>(count_) : 0, 0);
  for (Box& box : boxes_) box.fill(0);
  remote_ = false;
}

int HublineCard::LetterIndex(std::string_view letter) const {
  if (letter.size() != 1 || letter[0] < 'A') return -1;
  const int index = letter[0] - 'A';
  return index < count_ ? index : -1;
}

HublineCard::Outcome HublineCard::Execute(std::string_view command) {
  static const std::regex kRelaySet("INT_RELAY_([A-Z])_(NO|NC)");
  static const std::regex kOutputSet("EXT_RELAY_([0-9]+)_(ACTIVE|IDLE)");
  static const std::regex kSwitchSet("(INT|EXT)_RELAY_([A-Z])_([0-9]+)");
  static const std::regex kBoxSet("N1([0-9]+)RELAY_([0-9]+)_([0-9]+)");
  static const std::regex kRelayQuery("(INT|EXT)_RELAY_([A-Z]|[0-9]+)\\?");
  static const std::regex kBoxQuery("N1([0-9]+)RELAY_([0-9]+)\\?");
  std::vector<std::string_view> groups;
  const bool relays = kind_ == Kind::kRelay;
  const std::string_view ownPrefix = externalPrefix_ ? "EXT" : "INT";

  if (command == "*IDN?") return {identity_, 0, false};
  if (relays && Match(command, kRelaySet, &groups)) {
    const int index = LetterIndex(groups[0]);
    if (index < 0) return Failed(HublineErrorTable::kNoSuchRelay);
    normallyOpen_[static_cast<size_t>(index)] = groups[1] == "NO";
    return Done();
  }
  if (relays && Match(command, kOutputSet, &groups)) {
    int number = 0;
    if (!ParseNumber(groups[0], &number) || number < 1 || number > kOutputs)
      return Failed(HublineErrorTable::kNoSuchRelay);
    outputsActive_[static_cast<size_t>(number - 1)] = groups[1] == "ACTIVE";
    return Done();
  }
  if (!relays && Match(command, kSwitchSet, &groups) && groups[0] == ownPrefix)
    return SetSwitch(groups[1], groups[2]);
  if (Match(command, kBoxSet, &groups)) return SetBoxSwitch(groups[0], groups[1], groups[2]);
  if (Match(command, kRelayQuery, &groups)) {
    const bool numbered = groups[1][0] <= '9';
    if (relays && groups[0] == "INT" && !numbered) {
      const int index = LetterIndex(groups[1]);
      if (index < 0) return Failed(HublineErrorTable::kNoSuchRelay);
      return {normallyOpen_[static_cast<size_t>(index)] ? "NO" : "NC", 0, false};
    }
    if (relays && groups[0] == "EXT" && numbered) {
      int number = 0;
      if (!ParseNumber(groups[1], &number) || number < 1 || number > kOutputs)
        return Failed(HublineErrorTable::kNoSuchRelay);
      return {outputsActive_[static_cast<size_t>(number - 1)] ? "ACTIVE" : "IDLE", 0, false};
    }
    if (!relays && groups[0] == ownPrefix && !numbered) {
      const int index = LetterIndex(groups[1]);
      if (index < 0) return Failed(HublineErrorTable::kNoSuchRelay);
      return {std::to_string(positions_[static_cast<size_t>(index)]), 0, false};
    }
    return Failed(HublineErrorTable::kUnknownCommand);
  }
  if (Match(command, kBoxQuery, &groups)) {
    int box = 0, number = 0;
    if (!ParseNumber(groups[0], &box) || box < 1 || box > Boxes()) return Failed(HublineErrorTable::kNoBox);
    if (!ParseNumber(groups[1], &number) || number < 1 || number > kSwitchesPerBox)
      return Failed(HublineErrorTable::kNoSuchRelay);
    return {std::to_string(boxes_[static_cast<size_t>(box - 1)][static_cast<size_t>(number - 1)]), 0, false};
  }
  return Failed(HublineErrorTable::kUnknownCommand);
}

HublineCard::Outcome HublineCard::SetSwitch(std::string_view letter, std::string_view position) {
  const int index = LetterIndex(letter);
  if (index < 0) return Failed(HublineErrorTable::kNoSuchRelay);
  int value = 0;
  if (!ParseNumber(position, &value) || value < 1 || value > kPositions)
    return Failed(HublineErrorTable::kOutOfRange);
  positions_[static_cast<size_t>(index)] = value;
  return Done();
}

HublineCard::Outcome HublineCard::SetBoxSwitch(std::string_view box, std::string_view number,
                                               std::string_view position) {
  int boxNumber = 0, switchNumber = 0, value = 0;
  if (!ParseNumber(box, &boxNumber) || boxNumber < 1 || boxNumber > Boxes())
    return Failed(HublineErrorTable::kNoBox);
  if (!ParseNumber(number, &switchNumber) || switchNumber < 1 || switchNumber > kSwitchesPerBox)
    return Failed(HublineErrorTable::kNoSuchRelay);
  if (!ParseNumber(position, &value) || value < 1 || value > kPositions)
    return Failed(HublineErrorTable::kOutOfRange);
  boxes_[static_cast<size_t>(boxNumber - 1)][static_cast<size_t>(switchNumber - 1)] = value;
  return Done();
}

std::string HublineCard::Relay(char letter) const {
  const int index = kind_ == Kind::kRelay ? LetterIndex(std::string_view(&letter, 1)) : -1;
  if (index < 0) return "";
  return normallyOpen_[static_cast<size_t>(index)] ? "NO" : "NC";
}

std::string HublineCard::Output(int number) const {
  if (kind_ != Kind::kRelay || number < 1 || number > kOutputs) return "";
  return outputsActive_[static_cast<size_t>(number - 1)] ? "ACTIVE" : "IDLE";
}

int HublineCard::Position(char letter) const {
  const int index = kind_ == Kind::kSixWay ? LetterIndex(std::string_view(&letter, 1)) : -1;
  return index < 0 ? -1 : positions_[static_cast<size_t>(index)];
}

int HublineCard::BoxPosition(int box, int number) const {
  if (box < 1 || box > Boxes() || number < 1 || number > kSwitchesPerBox) return -1;
  return boxes_[static_cast<size_t>(box - 1)][static_cast<size_t>(number - 1)];
}

nlohmann::json HublineCard::State() const {
  nlohmann::json state = {{"type", type_}, {"idn", BytesToUtf8(identity_)}, {"remote", remote_}};
  const std::string letters = "ABCD";
  if (kind_ == Kind::kRelay) {
    nlohmann::json relays = nlohmann::json::object(), outputs = nlohmann::json::object();
    for (int i = 0; i < count_; ++i) relays[letters.substr(static_cast<size_t>(i), 1)] = Relay(letters[static_cast<size_t>(i)]);
    for (int n = 1; n <= kOutputs; ++n) outputs[std::to_string(n)] = Output(n);
    state["relays"] = relays;
    state["outputs"] = outputs;
  } else {
    nlohmann::json switches = nlohmann::json::object();
    for (int i = 0; i < count_; ++i) switches[letters.substr(static_cast<size_t>(i), 1)] = positions_[static_cast<size_t>(i)];
    state["switches"] = switches;
    state["prefix"] = externalPrefix_ ? "EXT" : "INT";
  }
  nlohmann::json boxes = nlohmann::json::object();
  for (int b = 1; b <= Boxes(); ++b) {
    nlohmann::json box = nlohmann::json::object();
    for (int k = 1; k <= kSwitchesPerBox; ++k) box[std::to_string(k)] = BoxPosition(b, k);
    boxes[std::to_string(b)] = box;
  }
  state["boxes"] = boxes;
  return state;
}

std::vector<std::string> HublineCard::Summary() const {
  const std::string letters = "ABCD";
  std::string line;
  for (int i = 0; i < count_; ++i) {
    const char letter = letters[static_cast<size_t>(i)];
    line += (i ? " " : "") + std::string(1, letter) + "=" +
            (kind_ == Kind::kRelay ? Relay(letter) : std::to_string(Position(letter)));
  }
  if (kind_ == Kind::kRelay) {
    line += ", out";
    for (int n = 1; n <= kOutputs; ++n) line += " " + std::to_string(n) + "=" + Output(n);
  }
  std::vector<std::string> lines{line};
  for (int b = 1; b <= Boxes(); ++b) {
    std::string boxLine = "box " + std::to_string(b) + ":";
    for (int k = 1; k <= kSwitchesPerBox; ++k)
      boxLine += " " + std::to_string(k) + "=" + std::to_string(BoxPosition(b, k));
    lines.push_back(boxLine);
  }
  return lines;
}

}  // namespace sim
