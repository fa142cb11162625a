#pragma once
// The short ASCII protocol of the Novotronik switch units: framing of a
// command per transport, the set command of a switch and the pole a status
// reply reports for one switch.
#include <optional>
#include <string>
#include <string_view>

namespace Kovalex::devicedrivers::NOVOTRONIK {

constexpr char kSTX = 0x02;
constexpr char kETX = 0x03;

enum class Framing { kSerial, kNetwork, kOther };

// Serial: STX + command + ETX; network: command + the end of string;
// otherwise command + "\n".
std::string Frame(Framing framing, const std::string& command, const std::string& endOfString);

// "SES%02iP%02i": select the pole of a switch.
std::string SetCommand(int switchNumber, int pole);

// The pole after "S%02iP" (the switch number) in a status reply, the first
// such place followed by a digit; nothing when there is none. Larger numbers
// than an int holds give nothing.
std::optional<int> PoleInStatus(std::string_view reply, int switchNumber);

}  // namespace Kovalex::devicedrivers::NOVOTRONIK
