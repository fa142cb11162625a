#include "platform/RegistryKey.h"

#include <cctype>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace {
std::string Trim(const std::string& text) {
  const size_t first = text.find_first_not_of(" \t\r");
  if (first == std::string::npos) return "";
  const size_t last = text.find_last_not_of(" \t\r");
  return text.substr(first, last - first + 1);
}

std::string Unquote(const std::string& text) {
  if (text.size() >= 2 && text.front() == '"' && text.back() == '"') return text.substr(1, text.size() - 2);
  return text;
}

std::string Fold(const std::string& text) {
  std::string folded = Trim(text);
  for (char& c : folded) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  // "/" and "\" both separate key path parts; doubled separators count once.
  std::string path;
  for (char c : folded) {
    const char part = c == '/' ? '\\' : c;
    if (part == '\\' && !path.empty() && path.back() == '\\') continue;
    path.push_back(part);
  }
  return path;
}

bool ParseNumber(const std::string& text, int base, uint32_t* value) {
  if (text.empty()) return false;
  char* end = nullptr;
  const unsigned long long number = std::strtoull(text.c_str(), &end, base);
  if (*end != '\0' || number > 0xFFFFFFFFull || text[0] == '-') return false;
  *value = static_cast<uint32_t>(number);
  return true;
}
}  // namespace

std::string RegistryKey::FilePath() {
  const char* path = std::getenv("SWMATRIX_REGISTRY");
  return path && *path ? path : "/etc/swmatrix/registry.ini";
}

std::string RegistryKey::Join(std::initializer_list<std::string> parts) {
  std::string joined;
  for (const std::string& part : parts) {
    if (!joined.empty()) joined += '\\';
    joined += part;
  }
  return joined;
}

bool RegistryKey::Open(const std::string& root, const std::string& path) {
  open_ = false;
  values_.clear();
  std::ifstream file(FilePath());
  if (!file) return false;
  const std::string wanted = Fold(root + "\\" + path);
  bool inKey = false;
  for (std::string line; std::getline(file, line);) {
    line = Trim(line);
    if (line.empty() || line[0] == ';' || line[0] == '#') continue;
    if (line.front() == '[') {
      if (open_ && inKey) break;  // the first section of a name wins
      const size_t close = line.rfind(']');
      inKey = close != std::string::npos && Fold(line.substr(1, close - 1)) == wanted;
      open_ = open_ || inKey;
      continue;
    }
    const size_t equals = line.find('=');
    if (!inKey || equals == std::string::npos) continue;
    const std::string name = Fold(Unquote(Trim(line.substr(0, equals))));
    values_.emplace(name, Trim(line.substr(equals + 1)));
  }
  return open_;
}

std::optional<std::string> RegistryKey::ReadString(const std::string& name) const {
  const auto found = values_.find(Fold(name));
  if (found == values_.end()) return std::nullopt;
  return Unquote(found->second);
}

std::optional<uint32_t> RegistryKey::ReadDword(const std::string& name) const {
  const auto found = values_.find(Fold(name));
  if (found == values_.end()) return std::nullopt;
  const std::string text = Unquote(found->second);
  uint32_t value = 0;
  std::string lower = text;
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (lower.starts_with("dword:")) {
    if (ParseNumber(text.substr(6), 16, &value)) return value;
  } else if (lower.starts_with("0x")) {
    if (ParseNumber(text.substr(2), 16, &value)) return value;
  } else if (ParseNumber(text, 10, &value)) {
    return value;
  }
  return std::nullopt;
}
