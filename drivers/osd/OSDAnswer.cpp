#include "drivers/osd/OSDAnswer.h"

namespace Kovalex::devicedrivers::MKMESSTECHNIK_OSD {

bool DeviceErrorInAnswer(std::string_view answer, long* number) {
  size_t at = answer.find("ERR");
  if (at == std::string_view::npos) return false;
  at += 3;
  if (answer.substr(at, 2) == "OR") at += 2;
  while (at < answer.size() && (answer[at] == ' ' || answer[at] == ':')) ++at;
  long value = 0;
  size_t digits = 0;
  for (; at < answer.size() && answer[at] >= '0' && answer[at] <= '9' && digits < 4; ++at, ++digits)
    value = value * 10 + (answer[at] - '0');
  if (digits == 0 || value >= kDeviceErrorNumbers) return false;
  *number = value;
  return true;
}

}  // namespace Kovalex::devicedrivers::MKMESSTECHNIK_OSD
