#include "drivers/configurable/EscapeSequences.h"

namespace {
int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}
}  // namespace

std::string DecodeEscapeSequences(const std::string& typed) {
  std::string out;
  out.reserve(typed.size());
  for (size_t i = 0; i < typed.size(); ++i) {
    const char c = typed[i];
    if (c != '\\' || i + 1 >= typed.size()) {
      out += c;
      continue;
    }
    const char next = typed[i + 1];
    switch (next) {
      case '\\':
        out += '\\';
        ++i;
        break;
      case 'n':
      case 'N':
        out += '\n';
        ++i;
        break;
      case 'r':
      case 'R':
        out += '\r';
        ++i;
        break;
      case 't':
      case 'T':
        out += '\t';
        ++i;
        break;
      case 'x': {
        int value = 0;
        size_t digits = 0;
        while (digits < 2 && i + 2 + digits < typed.size()) {
          const int digit = HexDigit(typed[i + 2 + digits]);
          if (digit < 0) break;
          value = value * 16 + digit;
          ++digits;
        }
        if (digits == 0) {
          out += c;  // "\x" without a digit stays as typed
          break;
        }
        out += static_cast<char>(value);
        i += 1 + digits;
        break;
      }
      default:
        out += c;  // the backslash stays; the next character follows as usual
        break;
    }
  }
  return out;
}
