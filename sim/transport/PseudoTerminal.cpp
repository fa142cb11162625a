#include "sim/transport/PseudoTerminal.h"

#include <fcntl.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace sim::transport {
namespace {

uint32_t BaudOf(speed_t speed) {
  static const struct {
    speed_t code;
    uint32_t baud;
  } kSpeeds[] = {{B50, 50},         {B75, 75},         {B110, 110},       {B134, 134},
                 {B150, 150},       {B200, 200},       {B300, 300},       {B600, 600},
                 {B1200, 1200},     {B1800, 1800},     {B2400, 2400},     {B4800, 4800},
                 {B9600, 9600},     {B19200, 19200},   {B38400, 38400},   {B57600, 57600},
                 {B115200, 115200}, {B230400, 230400}, {B460800, 460800}, {B921600, 921600}};
  for (const auto& entry : kSpeeds)
    if (entry.code == speed) return entry.baud;
  return 0;
}

}  // namespace

std::unique_ptr<PseudoTerminal> PseudoTerminal::Open(std::string* error) {
  std::unique_ptr<PseudoTerminal> terminal(new PseudoTerminal);
  terminal->master_.Reset(::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
  if (!terminal->master_.Valid() || ::grantpt(terminal->master_.Get()) != 0 ||
      ::unlockpt(terminal->master_.Get()) != 0) {
    *error = std::string("posix_openpt: ") + std::strerror(errno);
    return nullptr;
  }
  char name[128];
  if (::ptsname_r(terminal->master_.Get(), name, sizeof name) != 0) {
    *error = std::string("ptsname: ") + std::strerror(errno);
    return nullptr;
  }
  terminal->devicePath_ = name;
  terminal->slave_.Reset(::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC));
  if (!terminal->slave_.Valid()) {
    *error = std::string("open ") + name + ": " + std::strerror(errno);
    return nullptr;
  }
  termios settings{};
  tcgetattr(terminal->slave_.Get(), &settings);
  cfmakeraw(&settings);
  cfsetispeed(&settings, B9600);
  cfsetospeed(&settings, B9600);
  tcsetattr(terminal->slave_.Get(), TCSANOW, &settings);
  return terminal;
}

LineSettings PseudoTerminal::Settings() const {
  LineSettings line;
  termios settings{};
  if (tcgetattr(slave_.Get(), &settings) != 0) return line;
  line.baud = BaudOf(cfgetospeed(&settings));
  switch (settings.c_cflag & CSIZE) {
    case CS5: line.dataBits = 5; break;
    case CS6: line.dataBits = 6; break;
    case CS7: line.dataBits = 7; break;
    default: line.dataBits = 8; break;
  }
  if (settings.c_cflag & PARENB) {
    const bool odd = settings.c_cflag & PARODD;
    if (settings.c_cflag & CMSPAR)
      line.parity = odd ? 'M' : 'S';
    else
      line.parity = odd ? 'O' : 'E';
  }
  line.stopBits = (settings.c_cflag & CSTOPB) ? 2 : 1;
  line.canonical = settings.c_lflag & ICANON;
  line.echo = settings.c_lflag & ECHO;
  line.hardwareFlow = settings.c_cflag & CRTSCTS;
  line.softwareFlow = settings.c_iflag & (IXON | IXOFF);
  return line;
}

}  // namespace sim::transport
