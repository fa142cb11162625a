#include "sim/hubline/HublineUnit.h"

#include <cctype>
#include <charconv>
#include <nlohmann/json.hpp>

#include "sim/core/WireText.h"

namespace sim {
namespace {

constexpr std::string_view kKeyboardLock = "SYSTEM:KLOCK";
constexpr std::string_view kErrorDescription = "EXTRAINFO ERROR ";

HublineCard::Outcome Failed(int error) { return {"", error, error == HublineErrorTable::kOutOfRange}; }
HublineCard::Outcome Answer(std::string answer) { return {std::move(answer), 0, false}; }

bool ParseNumber(std::string_view digits, int* value) {
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), *value);
  return error == std::errc() && end == digits.data() + digits.size() && !digits.empty();
}

}  // namespace

HublineUnit::HublineUnit() : firmware_(*FirmwareVersion::Parse(kDefaultFirmware)) {}

std::string HublineUnit::Configure(const std::string& key, const std::string& value) {
  std::string error;
  if (errors_.Configure(key, value, &error)) return error;
  if (rules_.Configure(key, value, &error)) return error;
  if (key == "unit") {
    if (value == "multislot") {
      layout_ = Layout::kMultislot;
    } else if (value == "single") {
      for (int slot = 2; slot <= kSlots; ++slot)
        if (slots_[static_cast<size_t>(slot - 1)])
          return "a single unit has only slot 1, but slot " + std::to_string(slot) + " holds a card";
      layout_ = Layout::kSingle;
    } else {
      return "unit needs multislot or single, not '" + value + "'";
    }
    return "";
  }
  if (key == "firmware") {
    const std::optional<FirmwareVersion> firmware = FirmwareVersion::Parse(value);
    if (!firmware) return "firmware needs a version such as 4.0.9, not '" + value + "'";
    firmware_ = *firmware;
    return "";
  }
  if (key == "unit-idn") {
    const std::optional<std::string> identity = UnescapeText(value, &error);
    if (identity) identity_ = *identity;
    return error;
  }
  if (key == "klock-reply") {
    if (value != "ok" && value != "state") return "klock-reply needs ok or state, not '" + value + "'";
    klockAnswersOk_ = value == "ok";
    return "";
  }
  if (key == "front-panel") return PressKeys(value);
  if (key.starts_with("slot")) return ConfigureSlot(key, value);
  return "unknown key '" + key + "' for family hubline";
}

std::string HublineUnit::ConfigureSlot(const std::string& key, const std::string& value) {
  const std::string_view rest = std::string_view(key).substr(4);
  const size_t dash = rest.find('-');
  const std::string_view option = dash == std::string_view::npos ? "" : rest.substr(dash + 1);
  int slot = 0;
  if (!ParseNumber(rest.substr(0, dash), &slot) || slot < 1 || slot > kSlots ||
      (!option.empty() && option != "idn" && option != "boxes"))
    return "unknown key '" + key + "' for family hubline (slotN, slotN-idn, slotN-boxes with N 1 to 8)";
  if (layout_ == Layout::kSingle && slot != 1) return "a single unit has only slot 1";
  std::optional<HublineCard>& card = slots_[static_cast<size_t>(slot - 1)];
  if (option.empty()) {
    if (value == "none") {
      card.reset();
      return "";
    }
    card = HublineCard::FromTypeName(value);
    return card ? "" : "unknown card type '" + value + "' (" + HublineCard::TypeNames() + ", none)";
  }
  if (!card) return "'" + key + "' needs a card in slot " + std::to_string(slot) + " first";
  if (option == "boxes") {
    int boxes = 0;
    if (!ParseNumber(value, &boxes) || boxes < 0 || boxes > HublineCard::kMaxBoxes)
      return "slot" + std::to_string(slot) + "-boxes needs 0 to 4, not '" + value + "'";
    card->SetBoxes(boxes);
    return "";
  }
  std::string error;
  const std::optional<std::string> identity = UnescapeText(value, &error);
  if (identity) card->SetIdentity(*identity);
  return error;
}

std::optional<std::string> HublineUnit::Handle(const std::string& command) {
  if (command.empty()) return std::nullopt;  // an empty line asks nothing
  remote_ = true;
  const std::optional<int> injected = rules_.InjectedError(command);
  const Outcome outcome = injected ? Failed(*injected) : Execute(command);
  if (rules_.Silenced(command)) return std::nullopt;
  if (outcome.error == 0) return outcome.answer;
  lastError_ = outcome.error;
  ++errorReplies_;
  return errors_.Reply(outcome.error, outcome.rangeError);
}

HublineUnit::Outcome HublineUnit::Execute(std::string_view command) {
  const bool addressed = command.size() > 1 && command[0] == 'S' &&
                         std::isdigit(static_cast<unsigned char>(command[1]));
  if (layout_ == Layout::kMultislot && addressed) {
    const size_t colon = command.find(':');
    if (colon == std::string_view::npos) return Failed(HublineErrorTable::kUnknownCommand);
    int slot = 0;
    if (!ParseNumber(command.substr(1, colon - 1), &slot) || slot < 1 || slot > kSlots ||
        !slots_[static_cast<size_t>(slot - 1)])
      return Failed(HublineErrorTable::kNoCard);
    HublineCard& card = *slots_[static_cast<size_t>(slot - 1)];
    card.SetRemote(true);
    return CardCommand(card, command.substr(colon + 1));
  }
  if (std::optional<Outcome> unit = UnitCommand(command)) return *unit;
  if (layout_ == Layout::kMultislot) return Failed(HublineErrorTable::kUnknownCommand);
  if (!slots_[0]) return Failed(HublineErrorTable::kNoCard);
  slots_[0]->SetRemote(true);
  return slots_[0]->Execute(command);
}

HublineUnit::Outcome HublineUnit::CardCommand(HublineCard& card, std::string_view command) {
  if (command == "LOCAL") {
    card.SetRemote(false);
    return Answer("OK");
  }
  // The keyboard belongs to the unit: a card passes the lock on to it.
  if (command.starts_with(kKeyboardLock))
    if (std::optional<Outcome> unit = UnitCommand(command)) return *unit;
  return card.Execute(command);
}

std::optional<HublineUnit::Outcome> HublineUnit::UnitCommand(std::string_view command) {
  if (command == "*IDN?" && layout_ == Layout::kMultislot) return Answer(Identity());
  if (command == "LOCAL") {
    remote_ = false;
    for (std::optional<HublineCard>& card : slots_)
      if (card) card->SetRemote(false);
    return Answer("OK");
  }
  if (command.starts_with(kKeyboardLock)) {
    const std::string_view argument = command.substr(kKeyboardLock.size());
    const bool query = argument == "?";
    if (!query && !argument.starts_with(' ')) return std::nullopt;
    if (!firmware_.AtLeast(1, 12, 2)) return Failed(HublineErrorTable::kUnknownCommand);
    if (!query) {
      if (argument != " 0" && argument != " 1") return Failed(HublineErrorTable::kOutOfRange);
      keyboardLocked_ = argument == " 1";
      if (klockAnswersOk_) return Answer("OK");
    }
    return Answer(keyboardLocked_ ? "1" : "0");
  }
  if (command.starts_with(kErrorDescription)) {
    int code = 0;
    if (!firmware_.AtLeast(4, 0, 0) || !ParseNumber(command.substr(kErrorDescription.size()), &code))
      return Failed(HublineErrorTable::kUnknownCommand);
    return Answer(errors_.Description(code));
  }
  return std::nullopt;
}

std::string HublineUnit::PressKeys(const std::string& command) {
  if (keyboardLocked_) {
    ++keysRefused_;
    return "the keyboard of the unit is locked";
  }
  ++keysPressed_;
  const Outcome outcome = Execute(command);
  // Keys pressed at the unit put it into local operation.
  remote_ = false;
  for (std::optional<HublineCard>& card : slots_)
    if (card) card->SetRemote(false);
  if (outcome.error) return "the unit refused '" + command + "': " + errors_.Description(outcome.error);
  return "";
}

std::string HublineUnit::Identity() const {
  static constexpr std::string_view kPlaceholder = "{firmware}";
  std::string identity = identity_;
  for (size_t at = identity.find(kPlaceholder); at != std::string::npos;
       at = identity.find(kPlaceholder, at + firmware_.Text().size()))
    identity.replace(at, kPlaceholder.size(), firmware_.Text());
  return identity;
}

const HublineCard* HublineUnit::Card(int slot) const {
  if (slot < 1 || slot > kSlots || !slots_[static_cast<size_t>(slot - 1)]) return nullptr;
  return &*slots_[static_cast<size_t>(slot - 1)];
}

void HublineUnit::Reset() {
  for (std::optional<HublineCard>& card : slots_)
    if (card) card->PowerOn();
  keyboardLocked_ = remote_ = false;
  lastError_ = 0;
  errorReplies_ = keysPressed_ = keysRefused_ = 0;
}

nlohmann::json HublineUnit::State() const {
  nlohmann::json slots = nlohmann::json::object();
  nlohmann::json summary = nlohmann::json::array();
  for (int slot = 1; slot <= kSlots; ++slot) {
    const HublineCard* card = Card(slot);
    if (!card) continue;
    slots[std::to_string(slot)] = card->State();
    const std::string name = "S" + std::to_string(slot);
    const std::vector<std::string> lines = card->Summary();
    summary.push_back(name + " " + card->TypeName() + " " + BytesToUtf8(card->Identity()) + ": " + lines[0]);
    for (size_t i = 1; i < lines.size(); ++i) summary.push_back(name + " " + lines[i]);
  }
  return {{"unit", layout_ == Layout::kMultislot ? "multislot" : "single"},
          {"idn", BytesToUtf8(Identity())},
          {"firmware", firmware_.Text()},
          {"keyboard_locked", keyboardLocked_},
          {"remote", remote_},
          {"klock_reply", klockAnswersOk_ ? "ok" : "state"},
          {"last_error", lastError_},
          {"error_replies", errorReplies_},
          {"errors", errors_.State()},
          {"rules", rules_.State()},
          {"front_panel", {{"pressed", keysPressed_}, {"refused", keysRefused_}}},
          {"slots", slots},
          {"summary", summary}};
}

}  // namespace sim
