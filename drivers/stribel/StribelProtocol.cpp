#include "drivers/stribel/StribelProtocol.h"

#include <algorithm>
#include <limits>

#include "framework/NumberConversion.h"
#include "platform/CLocale.h"

namespace stribel {

std::string StartMessage(const TestSignal& signal) {
  const long field = signal.fieldStrength;
  if (!signal.modulationOn) return FormatC("START:%gMHZ,%ldVM,CARRIER\r", signal.frequencyMHz, field);
  // The type is compared as an integer: its fraction is dropped (5.5 is FM).
  const long type = TruncatedToInt32(signal.modulationType);
  if (type == kAmplitudeModulation)
    return FormatC("START:%gMHZ,%ldVM,AM,%gHZ,%g%%\r", signal.frequencyMHz, field, signal.modulationFrequency,
                   signal.modulationParameter);
  if (type == kFrequencyModulation)
    return FormatC("START:%gMHZ,%ldVM,FM,%gHZ,%gHZ\r", signal.frequencyMHz, field, signal.modulationFrequency,
                   signal.modulationParameter);
  return {};
}

namespace {
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The number after "ERROR" at `at`: blanks, an optional sign, digits
// (saturated to 32 bits); false when no digit follows.
bool NumberAfter(std::string_view text, size_t at, int32_t* number) {
  while (at < text.size() && text[at] == ' ') ++at;
  bool negative = false;
  if (at < text.size() && (text[at] == '+' || text[at] == '-')) negative = text[at++] == '-';
  if (at >= text.size() || !IsDigit(text[at])) return false;
  int64_t value = 0;
  constexpr int64_t kLimit = int64_t{std::numeric_limits<int32_t>::max()} + 1;
  for (; at < text.size() && IsDigit(text[at]); ++at) value = std::min(kLimit, value * 10 + (text[at] - '0'));
  if (negative) value = -value;
  *number = static_cast<int32_t>(std::clamp<int64_t>(value, std::numeric_limits<int32_t>::min(),
                                                     std::numeric_limits<int32_t>::max()));
  return true;
}
}  // namespace

Evaluation EvaluateAnswer(std::string_view answer) {
  Evaluation result;
  if (answer.find("OK") != std::string_view::npos) return {0, 0};
  constexpr std::string_view kError = "ERROR";
  size_t at = answer.find(kError);
  if (at == std::string_view::npos) return result;
  result.status = kControllerError;
  for (; at != std::string_view::npos; at = answer.find(kError, at + 1))
    if (NumberAfter(answer, at + kError.size(), &result.errorNumber)) break;
  return result;
}

}  // namespace stribel
