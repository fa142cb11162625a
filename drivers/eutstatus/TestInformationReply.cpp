#include "drivers/eutstatus/TestInformationReply.h"

namespace {
constexpr std::string_view kKeyword = "TESTINFO";

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v'; }

char Upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

std::string_view TrimmedBlanks(std::string_view text) {
  const size_t first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}
}  // namespace

std::optional<TestInformationItem> ParseTestInformationReply(std::string_view line) {
  if (line.size() <= kKeyword.size()) return std::nullopt;
  for (size_t i = 0; i < kKeyword.size(); ++i)
    if (Upper(line[i]) != kKeyword[i]) return std::nullopt;
  size_t at = kKeyword.size();
  if (!IsSpace(line[at])) return std::nullopt;  // "TESTINFOX" is another word
  while (at < line.size() && IsSpace(line[at])) ++at;
  const size_t equals = line.find('=', at);
  TestInformationItem item;
  item.name = TrimmedBlanks(line.substr(at, equals == std::string_view::npos ? std::string_view::npos : equals - at));
  if (item.name.empty()) return std::nullopt;
  if (equals != std::string_view::npos) item.value = TrimmedBlanks(line.substr(equals + 1));
  return item;
}
