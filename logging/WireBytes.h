#pragma once
// The exact bytes a stream wrote or read, as its log records carry them: the
// values "WireSent" and "WireReceived" hold them as lower-case hexadecimal
// digit pairs (any byte, binary ones included, survives the log's UTF-8
// texts), and the value "Stream" names the instrument (its address, resource
// or port). swmlog --capture turns these values into a capture file.
#include <string>
#include <string_view>

inline std::string WireHex(std::string_view bytes) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string hex;
  hex.reserve(bytes.size() * 2);
  for (const char c : bytes) {
    const auto byte = static_cast<unsigned char>(c);
    hex += kDigits[byte >> 4];
    hex += kDigits[byte & 15];
  }
  return hex;
}
