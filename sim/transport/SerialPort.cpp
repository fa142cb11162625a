#include "sim/transport/SerialPort.h"

#include <fcntl.h>
#include <termios.h>

namespace sim::transport {
namespace {

bool SpeedOf(uint32_t baud, speed_t* speed) {
  static const struct {
    uint32_t baud;
    speed_t speed;
  } kSpeeds[] = {{50, B50},         {75, B75},         {110, B110},       {134, B134},
                 {150, B150},       {200, B200},       {300, B300},       {600, B600},
                 {1200, B1200},     {1800, B1800},     {2400, B2400},     {4800, B4800},
                 {9600, B9600},     {19200, B19200},   {38400, B38400},   {57600, B57600},
                 {115200, B115200}, {230400, B230400}};
  for (const auto& entry : kSpeeds) {
    if (entry.baud == baud) {
      *speed = entry.speed;
      return true;
    }
  }
  return false;
}

}  // namespace

bool IsStandardBaud(uint32_t baud) {
  speed_t speed;
  return SpeedOf(baud, &speed);
}

FileDescriptor OpenSerialPort(const std::string& path) {
  FileDescriptor fd(::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
  if (fd.Valid() && !ApplySerialSettings(fd.Get(), SerialSettings{})) fd.Reset();
  return fd;
}

bool ApplySerialSettings(int fd, const SerialSettings& wanted) {
  termios settings{};
  speed_t speed;
  if (tcgetattr(fd, &settings) != 0 || !SpeedOf(wanted.baud, &speed) || wanted.dataBits < 5 ||
      wanted.dataBits > 8)
    return false;
  cfmakeraw(&settings);
  cfsetispeed(&settings, speed);
  cfsetospeed(&settings, speed);
  static const tcflag_t kSizes[] = {CS5, CS6, CS7, CS8};
  settings.c_cflag = (settings.c_cflag & ~(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS)) |
                     kSizes[wanted.dataBits - 5] | CLOCAL | CREAD;
  if (wanted.parity != 'N') settings.c_cflag |= PARENB;
  if (wanted.parity == 'O' || wanted.parity == 'M') settings.c_cflag |= PARODD;
  if (wanted.parity == 'M' || wanted.parity == 'S') settings.c_cflag |= CMSPAR;
  if (wanted.stopBits == 2) settings.c_cflag |= CSTOPB;
  if (wanted.hardwareFlow) settings.c_cflag |= CRTSCTS;
  if (wanted.softwareFlow) settings.c_iflag |= IXON | IXOFF;
  return tcsetattr(fd, TCSANOW, &settings) == 0;
}

void DiscardSerialBuffers(int fd, bool input, bool output) {
  if (input && output) tcflush(fd, TCIOFLUSH);
  else if (input) tcflush(fd, TCIFLUSH);
  else if (output) tcflush(fd, TCOFLUSH);
}

void DrainSerialOutput(int fd) { tcdrain(fd); }

}  // namespace sim::transport
