#include "sim/core/Faults.h"

#include <strings.h>

#include <charconv>
#include <sstream>
#include <vector>

namespace sim {
namespace {

const struct {
  FaultKind kind;
  const char* name;
  const char* alias;
} kNames[] = {{FaultKind::kNoAnswer, "noanswer", "silent"}, {FaultKind::kLate, "late", "delay"},
              {FaultKind::kCutShort, "cut", "short"},       {FaultKind::kGarbage, "garbage", ""},
              {FaultKind::kTooLong, "toolong", "long"},     {FaultKind::kDrop, "drop", ""},
              {FaultKind::kRefuse, "refuse", ""}};

std::string Trim(std::string_view text) {
  const size_t first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return "";
  const size_t last = text.find_last_not_of(" \t");
  return std::string(text.substr(first, last - first + 1));
}

bool ParseCount(const std::string& text, size_t* value) {
  const char* end = text.data() + text.size();
  const auto [ptr, error] = std::from_chars(text.data(), end, *value);
  return error == std::errc() && ptr == end;
}

// " N", or nothing for the default half.
std::string CountText(size_t value) {
  std::string text;
  if (value != Faults::kHalf) text.append(" ").append(std::to_string(value));
  return text;
}

}  // namespace

std::optional<FaultKind> ParseFaultKind(std::string_view word) {
  const std::string text(word);
  for (const auto& entry : kNames)
    if (strcasecmp(text.c_str(), entry.name) == 0 ||
        (*entry.alias && strcasecmp(text.c_str(), entry.alias) == 0))
      return entry.kind;
  return std::nullopt;
}

std::string_view FaultName(FaultKind kind) {
  for (const auto& entry : kNames)
    if (entry.kind == kind) return entry.name;
  return "";
}

bool Faults::Any() const {
  return noAnswer || lateMs || cutShort || garbage || tooLong || drop || refuse;
}

void Faults::Set(FaultKind kind, size_t value) {
  switch (kind) {
    case FaultKind::kNoAnswer: noAnswer = true; break;
    case FaultKind::kLate: lateMs = static_cast<uint32_t>(value); break;
    case FaultKind::kCutShort: cutShort = value; break;
    case FaultKind::kGarbage: garbage = true; break;
    case FaultKind::kTooLong: tooLong = value; break;
    case FaultKind::kDrop: drop = value; break;
    case FaultKind::kRefuse: refuse = true; break;
  }
}

void Faults::Clear(FaultKind kind) {
  switch (kind) {
    case FaultKind::kNoAnswer: noAnswer = false; break;
    case FaultKind::kLate: lateMs = 0; break;
    case FaultKind::kCutShort: cutShort.reset(); break;
    case FaultKind::kGarbage: garbage = false; break;
    case FaultKind::kTooLong: tooLong.reset(); break;
    case FaultKind::kDrop: drop.reset(); break;
    case FaultKind::kRefuse: refuse = false; break;
  }
}

std::string Faults::Describe() const {
  std::vector<std::string> items;
  if (noAnswer) items.push_back("noanswer");
  if (lateMs) items.push_back("late " + std::to_string(lateMs));
  if (cutShort) items.push_back("cut" + CountText(*cutShort));
  if (garbage) items.push_back("garbage");
  if (tooLong) items.push_back("toolong " + std::to_string(*tooLong));
  if (drop) items.push_back("drop" + CountText(*drop));
  if (refuse) items.push_back("refuse");
  if (items.empty()) return "none";
  std::string text = items[0];
  for (size_t i = 1; i < items.size(); ++i) text += ", " + items[i];
  return text;
}

std::string ApplyFaultText(std::string_view text, Faults* faults) {
  Faults result = *faults;
  std::stringstream items{std::string(text)};
  std::string item;
  bool any = false;
  while (std::getline(items, item, ',')) {
    std::istringstream words(item);
    std::string kindWord, valueWord, extra;
    words >> kindWord >> valueWord >> extra;
    if (kindWord.empty()) continue;
    any = true;
    if (!extra.empty()) return "too many words in fault '" + Trim(item) + "'";
    if (strcasecmp(kindWord.c_str(), "none") == 0 || strcasecmp(kindWord.c_str(), "clear") == 0) {
      if (!valueWord.empty()) return "'none' takes no value";
      result = Faults{};
      continue;
    }
    const std::optional<FaultKind> kind = ParseFaultKind(kindWord);
    if (!kind) return "unknown fault '" + kindWord +
                      "' (noanswer, late, cut, garbage, toolong, drop, refuse, none)";
    if (strcasecmp(valueWord.c_str(), "off") == 0) {
      result.Clear(*kind);
      continue;
    }
    size_t value = Faults::kHalf;
    const bool needsValue = *kind == FaultKind::kLate || *kind == FaultKind::kTooLong;
    const bool takesValue = needsValue || *kind == FaultKind::kCutShort || *kind == FaultKind::kDrop;
    if (!valueWord.empty()) {
      if (!takesValue) return "fault '" + kindWord + "' takes no value";
      if (!ParseCount(valueWord, &value) || value == Faults::kHalf)
        return "bad number '" + valueWord + "' for fault '" + kindWord + "'";
      if (*kind == FaultKind::kLate && value > 3'600'000)
        return "late answer longer than an hour: " + valueWord;
    } else if (needsValue) {
      return "fault '" + kindWord + "' needs a number";
    }
    result.Set(*kind, value);
  }
  if (!any) return "empty fault text";
  *faults = result;
  return "";
}

}  // namespace sim
