#pragma once
// Escaping of record texts for output: JSON strings, and printable text for a
// terminal. Bytes that are not UTF-8 are taken as Latin-1 characters.
#include <string>
#include <string_view>

class TextEscaping {
public:
  // A JSON string literal, quotes included.
  static std::string Json(std::string_view text);
  // `text` with control characters written as \n, \t, \xNN and backslashes doubled.
  static std::string Printable(std::string_view text);
  // Printable text in double quotes, inner quotes escaped.
  static std::string Quoted(std::string_view text);
};
