#pragma once
// The text of an identification that does not match, as the device streams
// word it; the answer is shown without its line end.
#include <string>

inline std::string IdentificationMismatchText(std::string received, const std::string& expected) {
  while (!received.empty() && (received.back() == '\n' || received.back() == '\r')) received.pop_back();
  return "The received identification of the device (\"" + received +
         "\") is not matching with the expected identification (\"" + expected + "\").";
}
