// Fuzzes the handling of commands and result patterns that users type into
// the configurable drivers: escape decoding, placeholder substitution and the
// extraction of a result from an instrument answer. The input is split at its
// first NUL byte (or in the middle): a typed text and an answer.
#include <cstddef>
#include <cstdint>
#include <string>

#include "FuzzCheck.h"
#include "drivers/configurable/EscapeSequences.h"
#include "drivers/configurable/Placeholder.h"
#include "drivers/configurable/RegularExpressionResult.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  size_t split = input.find('\0');
  if (split == std::string::npos) split = input.size() / 2;
  const std::string typed = input.substr(0, split);
  const std::string answer = input.substr(std::min(split + 1, input.size()));

  // Decoding never makes a text longer, and a text without backslashes stays as it is.
  const std::string decoded = DecodeEscapeSequences(typed);
  Check(decoded.size() <= typed.size());
  if (typed.find('\\') == std::string::npos) Check(decoded == typed);

  // Substitution ends and replaces every occurrence of a name that its text does not contain.
  const PlaceholderList list = {{"__freq__", 80.5, 1.0}, {"__x__", 1e300, 1e10}, {"", 1.0, 1.0}, {"_", -0.0, 1.0}};
  const std::string substituted = SubstitutePlaceholders(typed, list);
  Check(substituted.find("__freq__") == std::string::npos);

  // Extraction gives a part of the answer, or a status and nothing.
  std::string result;
  const Status status = ExtractRegularExpressionResult(typed, answer, result);
  if (status != 0) Check(result.empty());
  return 0;
}
