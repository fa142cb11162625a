#include "sim/libs/visa/VisaResources.h"

#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <regex>
#include <set>

#include "sim/libs/BusClient.h"

namespace simlib::visa {
namespace {

constexpr int kBusWaitMs = 5000;

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

}  // namespace

std::optional<ParsedResource> ParseResource(const std::string& name) {
  std::vector<std::string> parts = Split(name);
  for (const std::string& part : parts)
    if (part.empty()) return std::nullopt;
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

bool MatchesExpression(const std::string& expression, const std::string& name) {
  std::string pattern;
  int brackets = 0;
  for (char c : expression) {
    if (c == '{' || c == '}') return false;
    if (brackets == 0 && c == '?') {
      pattern += '.';
    } else if (c == '[') {
      ++brackets;
      pattern += c;
    } else if (c == ']') {
      brackets = brackets > 0 ? brackets - 1 : 0;
      pattern += c;
    } else if (brackets == 0 && std::string_view(".^$\\").find(c) != std::string_view::npos) {
      pattern += '\\';
      pattern += c;
    } else {
      pattern += c;
    }
  }
  try {
    return std::regex_match(name, std::regex(pattern, std::regex::icase));
  } catch (const std::regex_error&) {
    return false;
  }
}

bool ListResources(std::vector<std::string>* resources) {
  resources->clear();
  BusAnswer answer;
  if (!BusRequest("list", "", false, kBusWaitMs, &answer) || !answer.Ok()) return false;
  std::set<std::string> names;
  for (size_t i = 1; !answer.Word(i).empty(); ++i) names.insert(answer.Word(i));
  const char* ports = std::getenv("SWMATRIX_PORTS");
  std::error_code error;
  if (ports && *ports)
    for (const auto& entry : std::filesystem::directory_iterator(ports, error)) {
      const std::string file = entry.path().filename().string();
      if (file.starts_with("COM") && AllDigits(file.substr(3))) names.insert("ASRL" + file.substr(3) + "::INSTR");
    }
  resources->assign(names.begin(), names.end());
  return true;
}

}  // namespace simlib::visa
