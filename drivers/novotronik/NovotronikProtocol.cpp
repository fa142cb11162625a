#include "drivers/novotronik/NovotronikProtocol.h"

#include <climits>

#include "platform/CLocale.h"

namespace Kovalex::devicedrivers::NOVOTRONIK {

std::string Frame(Framing framing, const std::string& command, const std::string& endOfString) {
  switch (framing) {
    case Framing::kSerial: return kSTX + command + kETX;
    case Framing::kNetwork: return command + endOfString;
    default: return command + "\n";
  }
}

std::string SetCommand(int switchNumber, int pole) { return FormatC("SES%02iP%02i", switchNumber, pole); }

std::optional<int> PoleInStatus(std::string_view reply, int switchNumber) {
  const std::string key = FormatC("S%02iP", switchNumber);
  for (size_t at = reply.find(key); at != std::string_view::npos; at = reply.find(key, at + 1)) {
    size_t digit = at + key.size();
    if (digit >= reply.size() || reply[digit] < '0' || reply[digit] > '9') continue;
    long long pole = 0;
    for (; digit < reply.size() && reply[digit] >= '0' && reply[digit] <= '9'; ++digit) {
      pole = pole * 10 + (reply[digit] - '0');
      if (pole > INT_MAX) return std::nullopt;
    }
    return static_cast<int>(pole);
  }
  return std::nullopt;
}

}  // namespace Kovalex::devicedrivers::NOVOTRONIK
