#include "drivers/amplifier/AmplifierAnswers.h"

#include <array>

namespace amplifier {
namespace {

bool Contains(std::string_view text, std::string_view word) { return text.find(word) != std::string_view::npos; }

bool IsCapital(char c) { return c >= 'A' && c <= 'Z'; }

// The first place where four fields of four capital letters, joined by
// commas, start; npos when there is none.
size_t FindInterlockFields(std::string_view answer) {
  constexpr size_t kLength = 4 * 4 + 3;
  for (size_t start = 0; start + kLength <= answer.size(); ++start) {
    bool matches = true;
    for (size_t i = 0; i < kLength && matches; ++i)
      matches = (i % 5 == 4) ? answer[start + i] == ',' : IsCapital(answer[start + i]);
    if (matches) return start;
  }
  return std::string_view::npos;
}

// "A.* B": A, then later a blank followed by B.
bool ContainsInOrder(std::string_view text, std::string_view first, std::string_view then) {
  const size_t at = text.find(first);
  return at != std::string_view::npos && text.find(then, at + first.size()) != std::string_view::npos;
}

constexpr std::array<std::string_view, 13> kExecutionResults = {
    "FAIL_UNKNOWN_CMD",         "FAIL_NO_EFFECT",      "FAIL_ERRORS_PRESENT",       "FAIL_WARNS_PRESENT",
    "FAIL_BANDCHG_ON_RFON",     "FAIL_FOCUSCHG_ON_RFON", "FAIL_FOCUSCHG_ON_NOTLOCAL", "FAIL_FOCUSCHG_ON_EXTERN",
    "FAIL_NO_FOCUS",            "FAIL_RFINHIBIT",      "FAIL_ILLEGAL_BAND",         "FAIL_ILLEGAL_ATT",
    "FAIL_UNSPEC_ERR"};

}  // namespace

Status JudgeBbaInterlock(std::string_view answer, bool deviceCheck, int group) {
  if (answer.empty()) return 0;
  if (Contains(answer, "ERR")) return kBbaInterlockError;
  const size_t fields = FindInterlockFields(answer);
  if (fields == std::string_view::npos) return kBbaUnexpectedAnswer;
  auto field = [&](int index) { return answer.substr(fields + static_cast<size_t>(index) * 5, 4); };
  if (deviceCheck && Contains(field(0), "OPEN")) return kBbaDeviceInterlockOpen;
  const std::string_view selected = field(group == 2 ? 2 : group == 3 ? 3 : 1);
  if (Contains(selected, "OPEN")) return kBbaGroupInterlockOpen;
  if (Contains(selected, "NOTS")) return kBbaGroupNotAllocated;
  return 0;
}

Status JudgeBonnStatus(std::string_view answer) {
  if (answer.empty()) return kBonnNoAnswer;
  if (Contains(answer, "SYSTEM_OK")) return 0;
  if (Contains(answer, "INTERLOCK_EXT") || Contains(answer, "INTERLOCK EXT")) return kBonnExternalInterlock;
  if (Contains(answer, "INTERLOCK_INT") || Contains(answer, "INTERLOCK INT")) return kBonnInternalInterlock;
  if (Contains(answer, "OVERTEMP") || ContainsInOrder(answer, "TEMP", " FAIL")) return kBonnTemperature;
  if (Contains(answer, "POWER_SUPPLY_FAULT") || ContainsInOrder(answer, "PS", " FAIL")) return kBonnSupply;
  if (Contains(answer, "CONTROL_FAULT") || Contains(answer, "LATCH TIMEOUT")) return kBonnControl;
  if (Contains(answer, "SWITCH_FAULT") || ContainsInOrder(answer, "SW", " FAIL")) return kBonnBandSwitch;
  return kBonnUndocumented;
}

Status JudgeBonnExecutionResult(std::string_view answer, Status current) {
  if (!answer.empty() && Contains(answer, "OK")) return current;
  for (size_t i = 0; i < kExecutionResults.size(); ++i)
    if (!answer.empty() && Contains(answer, kExecutionResults[i])) return kBonnUnknownCommand + static_cast<Status>(i);
  return kBonnUndocumented;
}

std::string_view BonnExecutionResultWord(Status status) {
  if (status < kBonnUnknownCommand || status > kBonnUnspecified) return "";
  return kExecutionResults[status - kBonnUnknownCommand];
}

Status JudgeBonnBasStatus(std::string_view answer) {
  if (answer.empty()) return kBonnNoAnswer;
  if (Contains(answer, "SYSTEM_OK")) return 0;
  if (Contains(answer, "FAIL") || Contains(answer, "TIMEOUT")) return kBonnBasFault;
  return 0;
}

bool HoldsNonZeroInteger(std::string_view answer) {
  for (size_t i = 0; i < answer.size(); ++i) {
    if (answer[i] < '0' || answer[i] > '9') continue;
    // The first run of digits (a sign before it does not change whether it is zero).
    for (; i < answer.size() && answer[i] >= '0' && answer[i] <= '9'; ++i)
      if (answer[i] != '0') return true;
    return false;
  }
  return false;
}

std::string WithoutLineEnds(std::string_view answer) {
  const size_t first = answer.find_first_not_of("\r\n");
  if (first == std::string_view::npos) return {};
  return std::string(answer.substr(first, answer.find_last_not_of("\r\n") - first + 1));
}

}  // namespace amplifier
