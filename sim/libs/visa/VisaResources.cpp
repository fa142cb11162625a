#include "sim/libs/visa/VisaResources.h"

#include <regex.h>

#include <cctype>
#include <cstdlib>
#include <string_view>

namespace simlib::visa {
namespace {

// Resource names and search expressions have at most 255 characters.
constexpr size_t kLongestName = 255;
// The matcher copies what a "+" repeats: nested ones double it each time,
// so an expression may hold only a few.
constexpr int kMostPluses = 8;

std::string Upper(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

bool AllDigits(const std::string& text) {
  return !text.empty() && text.find_first_not_of("0123456789") == std::string::npos;
}

std::vector<std::string> Split(const std::string& name) {
  std::vector<std::string> parts;
  size_t start = 0;
  for (size_t at = name.find("::"); at != std::string::npos; at = name.find("::", start)) {
    parts.push_back(name.substr(start, at - start));
    start = at + 2;
  }
  parts.push_back(name.substr(start));
  return parts;
}

// "GPIB", "GPIB0", "TCPIP3": the interface word and its number (0 when left out).
bool InterfaceWord(const std::string& word, const std::string& family, uint16_t* number) {
  if (!Upper(word).starts_with(family)) return false;
  const std::string digits = word.substr(family.size());
  if (digits.empty()) return *number = 0, true;
  if (!AllDigits(digits) || digits.size() > 4) return false;
  *number = static_cast<uint16_t>(std::atoi(digits.c_str()));
  return true;
}

std::optional<ParsedResource> ParseParts(const std::string& name);
}  // namespace

std::optional<ParsedResource> ParseResource(const std::string& name) {
  if (name.empty() || name.size() > kLongestName) return std::nullopt;
  std::optional<ParsedResource> parsed = ParseParts(name);
  // The name in full must still fit the callers' buffers.
  if (parsed && parsed->expanded.size() > kLongestName) return std::nullopt;
  return parsed;
}

namespace {
std::optional<ParsedResource> ParseParts(const std::string& name) {
  std::vector<std::string> parts = Split(name);
  // Parts are separated by "::" and hold no colon of their own.
  for (const std::string& part : parts)
    if (part.empty() || part.find(':') != std::string::npos) return std::nullopt;
  ParsedResource parsed;
  const std::string last = Upper(parts.back());
  const bool hasClass = last == "INSTR" || last == "SOCKET" || last == "INTFC";
  parsed.resourceClass = hasClass ? last : "INSTR";
  if (hasClass) parts.pop_back();
  if (Upper(parts[0]).starts_with("ASRL")) {
    if (parts.size() != 1 || parsed.resourceClass != "INSTR" || !AllDigits(parts[0].substr(4))) return std::nullopt;
    parsed.interfaceType = 4;
    parsed.interfaceNumber = static_cast<uint16_t>(std::atoi(parts[0].c_str() + 4));
    parsed.expanded = "ASRL" + std::to_string(parsed.interfaceNumber) + "::INSTR";
    return parsed;
  }
  if (InterfaceWord(parts[0], "GPIB", &parsed.interfaceNumber) && !Upper(parts[0]).starts_with("GPIB-")) {
    parsed.interfaceType = 1;
    const std::string prefix = "GPIB" + std::to_string(parsed.interfaceNumber);
    if (parsed.resourceClass == "INTFC") {
      if (parts.size() != 1) return std::nullopt;
      parsed.expanded = prefix + "::INTFC";
      return parsed;
    }
    if (parsed.resourceClass != "INSTR" || parts.size() < 2 || parts.size() > 3) return std::nullopt;
    for (size_t i = 1; i < parts.size(); ++i)
      if (!AllDigits(parts[i]) || parts[i].size() > 3) return std::nullopt;
    parsed.expanded = prefix + "::" + std::to_string(std::atoi(parts[1].c_str()));
    // Secondary address 0 is none.
    if (parts.size() == 3 && std::atoi(parts[2].c_str()) != 0)
      parsed.expanded += "::" + std::to_string(std::atoi(parts[2].c_str()));
    parsed.expanded += "::INSTR";
    return parsed;
  }
  if (InterfaceWord(parts[0], "TCPIP", &parsed.interfaceNumber)) {
    parsed.interfaceType = 6;
    const std::string prefix = "TCPIP" + std::to_string(parsed.interfaceNumber) + "::";
    if (parsed.resourceClass == "SOCKET") {
      if (parts.size() != 3 || !AllDigits(parts[2])) return std::nullopt;
      parsed.expanded = prefix + parts[1] + "::" + parts[2] + "::SOCKET";
      return parsed;
    }
    if (parsed.resourceClass != "INSTR" || parts.size() < 2 || parts.size() > 3) return std::nullopt;
    parsed.expanded = prefix + parts[1] + "::" + (parts.size() == 3 ? parts[2] : std::string("inst0")) + "::INSTR";
    return parsed;
  }
  return std::nullopt;
}
}  // namespace

// The expression becomes a POSIX extended regular expression: '?' is any
// character, the other operators mean the same. Its matcher does not
// backtrack, so nested repetitions take no time out of proportion.
bool MatchesExpression(const std::string& expression, const std::string& name) {
  if (expression.size() > kLongestName || name.size() > kLongestName) return false;
  if (expression.find('\0') != std::string::npos || name.find('\0') != std::string::npos) return false;
  std::string pattern = "^(";
  bool inBrackets = false;
  int pluses = 0;
  for (char c : expression) {
    if (c == '{' || c == '}') return false;
    if (inBrackets) {
      inBrackets = c != ']';
      pattern += c;
    } else if (c == '?') {
      pattern += '.';
    } else if (c == '[') {
      inBrackets = true;
      pattern += c;
    } else if ((c == '*' || c == '+') && (pattern.back() == '*' || pattern.back() == '+')) {
      // A repetition of a repetition is one repetition: x+* and x*+ are x*, x++ is x+.
      if (c == '*') pattern.back() = '*';
    } else if (c == '+' && ++pluses > kMostPluses) {
      return false;
    } else if (std::string_view(".^$\\").find(c) != std::string_view::npos) {
      pattern += '\\';
      pattern += c;
    } else {
      pattern += c;
    }
  }
  pattern += ")$";
  regex_t compiled;
  if (regcomp(&compiled, pattern.c_str(), REG_EXTENDED | REG_ICASE | REG_NOSUB) != 0) return false;
  const bool matches = regexec(&compiled, name.c_str(), 0, nullptr, 0) == 0;
  regfree(&compiled);
  return matches;
}

}  // namespace simlib::visa
