#include "sim/hubline/HublineErrorTable.h"

#include <charconv>
#include <nlohmann/json.hpp>

#include "sim/core/ScriptedAnswers.h"
#include "sim/core/WireText.h"

namespace sim {
namespace {

const char* FormatName(HublineErrorTable::Format format) {
  switch (format) {
    case HublineErrorTable::Format::kError: return "error";
    case HublineErrorTable::Format::kColonE: return "e";
    case HublineErrorTable::Format::kSystErr: return "syst";
  }
  return "error";
}

}  // namespace

HublineErrorTable::HublineErrorTable()
    : texts_{{kUnknownCommand, "Unknown command"},
             {kNoCard, "No card in this slot"},
             {kNoSuchRelay, "No such relay on this card"},
             {kNoBox, "No external box connected"},
             {kOutOfRange, "Data out of range"}} {}

bool HublineErrorTable::Configure(const std::string& key, const std::string& value,
                                  std::string* error) {
  if (key == "error-format") {
    bool known = false;
    for (Format format : {Format::kError, Format::kColonE, Format::kSystErr}) {
      if (value == FormatName(format)) {
        format_ = format;
        known = true;
      }
    }
    if (!known) *error = "error-format needs error, e or syst, not '" + value + "'";
    return true;
  }
  if (key != "error-text") return false;
  const size_t arrow = value.find("->");
  const std::string_view number = TrimCommand(std::string_view(value).substr(0, arrow));
  int code = 0;
  const auto [end, failure] = std::from_chars(number.data(), number.data() + number.size(), code);
  if (arrow == std::string::npos || failure != std::errc() || end != number.data() + number.size() ||
      number.empty()) {
    *error = "error-text needs N -> TEXT, not '" + value + "'";
    return true;
  }
  std::optional<std::string> text = UnescapeText(TrimCommand(value.substr(arrow + 2)), error);
  if (text) texts_[code] = *text;
  return true;
}

std::string HublineErrorTable::Reply(int code, bool rangeForm) const {
  if (rangeForm) return "-222, \"Data out of range\"";
  switch (format_) {
    case Format::kError: return "ERROR " + std::to_string(code);
    case Format::kColonE: return ":E" + std::to_string(code);
    case Format::kSystErr: return ":SYST:ERR " + std::to_string(code);
  }
  return "ERROR " + std::to_string(code);
}

std::string HublineErrorTable::Description(int code) const {
  const auto found = texts_.find(code);
  return found == texts_.end() ? "Undefined error" : found->second;
}

nlohmann::json HublineErrorTable::State() const {
  nlohmann::json texts = nlohmann::json::object();
  for (const auto& [code, text] : texts_) texts[std::to_string(code)] = BytesToUtf8(text);
  return {{"format", FormatName(format_)}, {"texts", texts}};
}

}  // namespace sim
