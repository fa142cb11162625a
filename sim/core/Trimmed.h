#pragma once
// Commands and fields as the simulated instruments compare them: without the
// white space around them.
#include <cctype>
#include <string>
#include <string_view>

namespace sim {

// The text without white space (as std::isspace sees it) at its start and end.
inline std::string Trimmed(std::string_view text) {
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) text.remove_prefix(1);
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) text.remove_suffix(1);
  return std::string(text);
}

}  // namespace sim
