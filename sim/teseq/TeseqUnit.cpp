#include "sim/teseq/TeseqUnit.h"

#include <charconv>
#include <nlohmann/json.hpp>

#include "sim/core/Trimmed.h"
#include "sim/core/WireText.h"

namespace sim {
namespace {

bool Number(std::string_view text, int* value) {
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), *value);
  return error == std::errc() && end == text.data() + text.size() && !text.empty();
}

int SlotIndex(char letter) { return letter >= 'A' && letter < 'A' + TeseqUnit::kSlots ? letter - 'A' : -1; }

}  // namespace

std::string TeseqUnit::Configure(const std::string& key, const std::string& value) {
  std::string error;
  if (key == "model") {
    if (value != "rfb6000" && value != "rfb2000") return "model needs rfb6000 or rfb2000, not '" + value + "'";
    rfb2000_ = value == "rfb2000";
    return "";
  }
  if (key == "outputs") {
    std::array<int, kSlots> outputs{};
    size_t start = 0;
    for (int slot = 0; slot < kSlots; ++slot) {
      const size_t comma = value.find(',', start);
      if ((comma == std::string::npos) != (slot == kSlots - 1))
        return "outputs needs ten comma-separated fields, not '" + value + "'";
      const std::string field = Trimmed(value.substr(start, comma == std::string::npos ? comma : comma - start));
      if (field == "-") outputs[slot] = kEmpty;
      else if (!Number(field, &outputs[slot]) || outputs[slot] < 1 || outputs[slot] > 9)
        return "an output count is 1 to 9 or '-', not '" + field + "'";
      start = comma + 1;
    }
    outputs_ = outputs;
    Reset();
    return "";
  }
  if (key == "posarr-reply" || key == "idn") {
    std::optional<std::string> text = UnescapeText(value, &error);
    if (!text) return error;
    if (key == "idn") identity_ = text;
    else positionArrayReply_ = value == "slots" ? std::nullopt : text;
    return "";
  }
  return "unknown key '" + key + "' for family teseq";
}

bool TeseqUnit::Switch(char letter, std::string_view output) {
  const int slot = SlotIndex(letter);
  int position = -1;
  if (slot < 0 || outputs_[slot] == kEmpty || !Number(output, &position) || position < (rfb2000_ ? 1 : 0) ||
      position > outputs_[slot]) {
    ++rejected_;
    return false;
  }
  positions_[slot] = position;
  local_ = false;
  return true;
}

std::string TeseqUnit::PositionArray() const {
  if (positionArrayReply_) return *positionArrayReply_;
  std::string text;
  for (int slot = 0; slot < kSlots; ++slot)
    text += (slot ? "," : "") + (outputs_[slot] == kEmpty ? std::string("-") : std::to_string(outputs_[slot]));
  return text;
}

std::optional<std::string> TeseqUnit::Handle(const std::string& raw) {
  const std::string command = Trimmed(raw);
  if (command == "*IDN?") return identity_.value_or(rfb2000_ ? "SWMSIM,RFB2000,0,1.0" : "SWMSIM,RFB6000,0,1.0");
  if (!rfb2000_) {
    // SET:STATE C 4
    if (command.starts_with("SET:STATE ") && command.size() >= 12 && command[11] == ' ')
      Switch(command[10], Trimmed(command.substr(12)));
    else if (command == "GET:POSARR?")
      return PositionArray();
    else if (command == "*GTL")
      local_ = true;
    else
      ++rejected_;
    return std::nullopt;
  }
  // SET:POS C_4, GET:POS C
  if (command.starts_with("SET:POS ") && command.size() >= 10 && command[9] == '_')
    return Switch(command[8], command.substr(10)) ? "OK" : "ERR";
  if (command.starts_with("GET:POS ") && command.size() == 9) {
    const int slot = SlotIndex(command[8]);
    return slot < 0 || outputs_[slot] == kEmpty ? std::string() : std::to_string(outputs_[slot]);
  }
  ++rejected_;
  return std::nullopt;
}

int TeseqUnit::Position(char letter) const {
  const int slot = SlotIndex(letter);
  return slot < 0 || outputs_[slot] == kEmpty ? kEmpty : positions_[slot];
}

void TeseqUnit::Reset() {
  positions_.fill(0);
  rejected_ = 0;
  local_ = true;
}

nlohmann::json TeseqUnit::State() const {
  nlohmann::json slots = nlohmann::json::object();
  for (int slot = 0; slot < kSlots; ++slot) {
    const std::string letter(1, static_cast<char>('A' + slot));
    slots[letter] = outputs_[slot] == kEmpty ? nlohmann::json("empty")
                                             : nlohmann::json{{"outputs", outputs_[slot]}, {"position", positions_[slot]}};
  }
  return {{"model", rfb2000_ ? "rfb2000" : "rfb6000"},
          {"slots", slots},
          {"position_array", BytesToUtf8(PositionArray())},
          {"rejected", rejected_},
          {"local", local_}};
}

}  // namespace sim
