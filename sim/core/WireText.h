#pragma once
// Bytes from the wire as text: for JSON (every byte one character U+0000 to
// U+00FF, so any byte survives), for people (C escapes), and back from the
// escapes people write in configuration files.
#include <optional>
#include <string>
#include <string_view>

namespace sim {

// Each byte becomes the character of the same number, encoded as UTF-8.
std::string BytesToUtf8(std::string_view bytes);
// The reverse; nothing when a character is above U+00FF or the text is not UTF-8.
std::optional<std::string> Utf8ToBytes(std::string_view text);
// Printable ASCII as is (the backslash too); \r \n \t and \xNN for the rest.
std::string EscapeBytes(std::string_view bytes);
// Resolves \n \r \t \0 \\ \xNN; nothing (and an error text) for a bad escape.
std::optional<std::string> UnescapeText(std::string_view text, std::string* error);

}  // namespace sim
