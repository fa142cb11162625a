#include "gpibsrq/GpibConf.h"

#include <cctype>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace gpibconf {
namespace {

constexpr int kMaxBoards = 16;

// Removes "/* ... */" comments, as the configuration's grammar allows them.
std::string WithoutComments(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text.compare(i, 2, "/*") == 0) {
      const size_t end = text.find("*/", i + 2);
      if (end == std::string::npos) break;
      i = end + 1;
      out.push_back(' ');
      continue;
    }
    out.push_back(text[i]);
  }
  return out;
}

// The value after "key =" inside one section's body; "" when absent.
std::string Value(const std::string& body, const std::string& key) {
  for (size_t at = body.find(key); at != std::string::npos; at = body.find(key, at + 1)) {
    const bool startsWord = at == 0 || (!std::isalnum(static_cast<unsigned char>(body[at - 1])) && body[at - 1] != '_');
    size_t next = at + key.size();
    while (next < body.size() && std::isspace(static_cast<unsigned char>(body[next]))) ++next;
    if (!startsWord || next >= body.size() || body[next] != '=') continue;
    ++next;
    while (next < body.size() && std::isspace(static_cast<unsigned char>(body[next]))) ++next;
    if (next < body.size() && body[next] == '"') {
      const size_t close = body.find('"', next + 1);
      return close == std::string::npos ? "" : body.substr(next + 1, close - next - 1);
    }
    size_t end = next;
    while (end < body.size() && !std::isspace(static_cast<unsigned char>(body[end]))) ++end;
    return body.substr(next, end - next);
  }
  return "";
}

}  // namespace

GpibBoards Parse(const std::string& source) {
  const std::string text = WithoutComments(source);
  GpibBoards boards;
  for (size_t at = text.find("interface"); at != std::string::npos; at = text.find("interface", at + 1)) {
    const size_t open = text.find('{', at);
    const size_t close = open == std::string::npos ? open : text.find('}', open);
    if (close == std::string::npos) break;
    bool onlySpace = true;
    for (size_t i = at + 9; i < open; ++i) onlySpace = onlySpace && std::isspace(static_cast<unsigned char>(text[i]));
    if (!onlySpace) continue;
    const std::string body = text.substr(open + 1, close - open - 1);
    char* end = nullptr;
    const std::string minor = Value(body, "minor");
    const long index = std::strtol(minor.c_str(), &end, 10);
    if (minor.empty() || *end || index < 0 || index >= kMaxBoards) continue;
    boards[static_cast<int>(index)] = Value(body, "name");
    at = close;
  }
  return boards;
}

std::optional<GpibBoards> ReadInstalled() {
  const char* variable = std::getenv("IB_CONFIG");
  std::ifstream file(variable && *variable ? variable : "/etc/gpib.conf");
  if (!file) return std::nullopt;
  std::stringstream text;
  text << file.rdbuf();
  return Parse(text.str());
}

}  // namespace gpibconf
