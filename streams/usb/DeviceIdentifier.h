#pragma once
// The identifier in an instrument's answer to "ID_NUMBER?": the first eight
// dot-separated numbers, matched by kDeviceIdentifierPattern.
#include <string>

inline constexpr const char* kDeviceIdentifierPattern =
    "([0-9]+\\.[0-9]+\\.[0-9]+\\.[0-9]+\\.[0-9]+\\.[0-9]+\\.[0-9]+\\.[0-9]+)";

// The identifier in the answer; empty when it holds none.
std::string DeviceIdentifierIn(const std::string& answer);
