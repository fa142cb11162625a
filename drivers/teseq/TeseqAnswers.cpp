#include "drivers/teseq/TeseqAnswers.h"

namespace teseq {

std::vector<std::string> SplitFields(std::string_view answer) {
  std::vector<std::string> fields;
  size_t start = 0;
  for (;;) {
    const size_t comma = answer.find(',', start);
    fields.emplace_back(answer.substr(start, comma == std::string_view::npos ? std::string_view::npos : comma - start));
    if (comma == std::string_view::npos) return fields;
    start = comma + 1;
  }
}

SlotField ParseSlotField(std::string_view field) {
  while (!field.empty() && field.front() == ' ') field.remove_prefix(1);
  while (!field.empty() && field.back() == ' ') field.remove_suffix(1);
  SlotField slot;
  if (field == "-") return slot;
  slot.present = true;
  for (char c : field) {
    if (c < '0' || c > '9') break;
    slot.outputs = slot.outputs * 10 + (c - '0');
    if (slot.outputs > 1000000) slot.outputs = 1000000;
  }
  return slot;
}

std::optional<int> OutputsFromFirstCharacter(std::string_view answer) {
  if (answer.empty()) return std::nullopt;
  return answer[0] >= '0' && answer[0] <= '9' ? answer[0] - '0' : 0;
}

std::string WithoutLineEnds(std::string_view answer) {
  while (!answer.empty() && (answer.front() == '\r' || answer.front() == '\n')) answer.remove_prefix(1);
  while (!answer.empty() && (answer.back() == '\r' || answer.back() == '\n')) answer.remove_suffix(1);
  return std::string(answer);
}

}  // namespace teseq
