#include "sim/core/WireText.h"

#include <cstdio>

namespace sim {

std::string BytesToUtf8(std::string_view bytes) {
  std::string text;
  text.reserve(bytes.size());
  for (unsigned char byte : bytes) {
    if (byte < 0x80) {
      text.push_back(static_cast<char>(byte));
    } else {
      text.push_back(static_cast<char>(0xC0 | (byte >> 6)));
      text.push_back(static_cast<char>(0x80 | (byte & 0x3F)));
    }
  }
  return text;
}

std::optional<std::string> Utf8ToBytes(std::string_view text) {
  std::string bytes;
  for (size_t i = 0; i < text.size(); ++i) {
    const unsigned char lead = static_cast<unsigned char>(text[i]);
    if (lead < 0x80) {
      bytes.push_back(static_cast<char>(lead));
    } else if ((lead == 0xC2 || lead == 0xC3) && i + 1 < text.size() &&
               (static_cast<unsigned char>(text[i + 1]) & 0xC0) == 0x80) {
      bytes.push_back(static_cast<char>(((lead & 0x03) << 6) |
                                        (static_cast<unsigned char>(text[i + 1]) & 0x3F)));
      ++i;
    } else {
      return std::nullopt;
    }
  }
  return bytes;
}

std::string EscapeBytes(std::string_view bytes) {
  std::string text;
  for (unsigned char byte : bytes) {
    switch (byte) {
      case '\n': text += "\\n"; break;
      case '\r': text += "\\r"; break;
      case '\t': text += "\\t"; break;
      default:
        if (byte >= 0x20 && byte < 0x7F) {
          text.push_back(static_cast<char>(byte));
        } else {
          char hex[5];
          std::snprintf(hex, sizeof hex, "\\x%02X", byte);
          text += hex;
        }
    }
  }
  return text;
}

std::optional<std::string> UnescapeText(std::string_view text, std::string* error) {
  auto hexValue = [](char c) -> int {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
  };
  std::string bytes;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\') {
      bytes.push_back(text[i]);
      continue;
    }
    if (++i == text.size()) {
      *error = "a backslash ends the text";
      return std::nullopt;
    }
    switch (text[i]) {
      case 'n': bytes.push_back('\n'); break;
      case 'r': bytes.push_back('\r'); break;
      case 't': bytes.push_back('\t'); break;
      case '0': bytes.push_back('\0'); break;
      case '\\': bytes.push_back('\\'); break;
      case 'x': {
        const int high = i + 1 < text.size() ? hexValue(text[i + 1]) : -1;
        const int low = i + 2 < text.size() ? hexValue(text[i + 2]) : -1;
        if (high < 0 || low < 0) {
          *error = "\\x needs two hex digits";
          return std::nullopt;
        }
        bytes.push_back(static_cast<char>(high * 16 + low));
        i += 2;
        break;
      }
      default:
        *error = std::string("unknown escape \\") + text[i];
        return std::nullopt;
    }
  }
  return bytes;
}

}  // namespace sim
