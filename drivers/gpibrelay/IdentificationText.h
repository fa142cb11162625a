#pragma once
// The text of an identification that does not match, as the device streams word it.
#include <string>

inline std::string IdentificationMismatchText(const std::string& received, const std::string& expected) {
  return "The received identification of the device (\"" + received +
         "\") is not matching with the expected identification (\"" + expected + "\").";
}
