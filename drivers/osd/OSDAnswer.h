#pragma once
// The display unit's answer to a command: "OK", or "ERR" (or "ERROR"),
// blanks or a colon, and the device error number.
#include <string_view>

namespace Kovalex::devicedrivers::MKMESSTECHNIK_OSD {

constexpr long kDeviceErrorNumbers = 0x100;

// The device error number (0 to 255) of an answer; false for any other answer.
bool DeviceErrorInAnswer(std::string_view answer, long* number);

}  // namespace Kovalex::devicedrivers::MKMESSTECHNIK_OSD
