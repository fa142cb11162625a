#include "platform/SerialPort.h"

#include "platform/Clock.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace {
speed_t SpeedOf(uint32_t baudRate) {
  switch (baudRate) {
    case 50: return B50;
    case 75: return B75;
    case 110: return B110;
    case 134: return B134;
    case 150: return B150;
    case 200: return B200;
    case 300: return B300;
    case 600: return B600;
    case 1200: return B1200;
    case 1800: return B1800;
    case 2400: return B2400;
    case 4800: return B4800;
    case 9600: return B9600;
    case 19200: return B19200;
    case 38400: return B38400;
    case 57600: return B57600;
    case 115200: return B115200;
    case 230400: return B230400;
    case 460800: return B460800;
    case 921600: return B921600;
    default: return B0;
  }
}

int64_t NowMs() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<int64_t>(now.tv_sec) * 1000 + now.tv_nsec / 1'000'000;
}

// Waits for the events on fd; 0 with *ready, or errno.
int PollFor(int fd, short events, int64_t timeoutMs, bool* ready) {
  *ready = false;
  const int64_t deadline = NowMs() + timeoutMs;
  for (;;) {
    pollfd entry{fd, events, 0};
    const int64_t left = deadline - NowMs();
    const int result = ::poll(&entry, 1, PollMilliseconds(left));
    if (result < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    if (result == 0) {
      if (deadline - NowMs() > 0) continue;  // a wait longer than one poll takes
      return 0;
    }
    // A hang-up: the line went away (a hung-up terminal also reads as
    // readable, with nothing to read). So does an error.
    if ((entry.revents & (POLLHUP | POLLERR | POLLNVAL)) || (entry.revents & events) == 0) return EIO;
    *ready = true;
    return 0;
  }
}
}  // namespace

SerialPort::~SerialPort() { Close(); }

namespace {
std::string PortsDirectory() {
  const char* directory = std::getenv("SWMATRIX_PORTS");
  return directory && *directory ? directory : "/etc/swmatrix/ports";
}
}  // namespace

std::string SerialPort::DevicePath(int comPort) {
  const std::string link = PortsDirectory() + "/COM" + std::to_string(comPort);
  struct stat info{};
  if (::lstat(link.c_str(), &info) == 0) return link;
  return "/dev/ttyS" + std::to_string(comPort - 1);
}

std::string SerialPort::Mapping(int comPort) {
  const std::string name = "COM" + std::to_string(comPort);
  const std::string path = DevicePath(comPort);
  if (path.starts_with("/dev/ttyS"))
    return name + " is " + path + " (no link " + name + " in " + PortsDirectory() +
           ", the directory $SWMATRIX_PORTS names; without a link COMn is /dev/ttyS(n-1))";
  char target[4096];
  const ssize_t length = ::readlink(path.c_str(), target, sizeof target - 1);
  if (length <= 0) return name + " is " + path + " (its entry in $SWMATRIX_PORTS)";
  return name + " is the link " + path + " to " + std::string(target, static_cast<size_t>(length));
}

int SerialPort::NoSuchPortError() { return ENOENT; }

int SerialPort::Open(const std::string& path) {
  Close();
  const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return errno;
  if (!::isatty(fd)) {
    ::close(fd);
    return ENOTTY;
  }
  // No sharing: a second opener through this module gets EBUSY.
  if (::ioctl(fd, TIOCEXCL) != 0) {
    const int error = errno;
    ::close(fd);
    return error;
  }
  termios raw{};
  if (::tcgetattr(fd, &raw) == 0) {
    ::cfmakeraw(&raw);
    raw.c_cflag |= CLOCAL | CREAD;
    raw.c_cc[VMIN] = 0;
    raw.c_cc[VTIME] = 0;
    ::tcsetattr(fd, TCSANOW, &raw);
  }
  fd_ = fd;
  return 0;
}

void SerialPort::Close() {
  if (fd_ < 0) return;
  ::ioctl(fd_, TIOCNXCL);
  ::close(fd_);
  fd_ = -1;
}

int SerialPort::Configure(const SerialLineSettings& settings) {
  if (fd_ < 0) return EBADF;
  termios tty{};
  if (::tcgetattr(fd_, &tty) != 0) return errno;
  const speed_t speed = SpeedOf(settings.baudRate);
  if (speed == B0) return EINVAL;
  ::cfsetispeed(&tty, speed);
  ::cfsetospeed(&tty, speed);
  tty.c_cflag &= ~(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS);
  switch (settings.dataBits) {
    case 5: tty.c_cflag |= CS5; break;
    case 6: tty.c_cflag |= CS6; break;
    case 7: tty.c_cflag |= CS7; break;
    case 8: tty.c_cflag |= CS8; break;
    default: return EINVAL;
  }
  switch (settings.parity) {
    case 0: break;
    case 1: tty.c_cflag |= PARENB | PARODD; break;
    case 2: tty.c_cflag |= PARENB; break;
    case 3: tty.c_cflag |= PARENB | PARODD | CMSPAR; break;
    case 4: tty.c_cflag |= PARENB | CMSPAR; break;
    default: return EINVAL;
  }
  if (settings.stopBits != 0) tty.c_cflag |= CSTOPB;
  if (settings.hardwareFlowControl) tty.c_cflag |= CRTSCTS;
  tty.c_cflag |= CLOCAL | CREAD;
  if (::tcsetattr(fd_, TCSANOW, &tty) != 0) return errno;
  // Modem lines: pseudo-terminals have none, which is not an error.
  int lines = TIOCM_DTR | (settings.hardwareFlowControl ? 0 : TIOCM_RTS);
  const unsigned long request = settings.dataTerminalReady ? TIOCMBIS : TIOCMBIC;
  if (::ioctl(fd_, request, &lines) != 0 && errno != ENOTTY && errno != EINVAL) return errno;
  return 0;
}

int SerialPort::Write(const void* data, size_t size, uint32_t timeoutMs, size_t* written) {
  *written = 0;
  if (fd_ < 0) return EBADF;
  const char* bytes = static_cast<const char*>(data);
  const int64_t deadline = NowMs() + timeoutMs;
  while (*written < size) {
    const ssize_t n = ::write(fd_, bytes + *written, size - *written);
    if (n > 0) {
      *written += static_cast<size_t>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno != EAGAIN) return errno;
    bool ready = false;
    const int64_t left = deadline - NowMs();
    if (left <= 0) return 0;
    if (const int error = PollFor(fd_, POLLOUT, left, &ready)) return error;
    if (!ready) return 0;
  }
  return 0;
}

int SerialPort::WaitReadable(uint32_t timeoutMs, bool* ready) {
  *ready = false;
  if (fd_ < 0) return EBADF;
  return PollFor(fd_, POLLIN, timeoutMs, ready);
}

int SerialPort::BytesWaiting(size_t* count) {
  *count = 0;
  if (fd_ < 0) return EBADF;
  int waiting = 0;
  if (::ioctl(fd_, FIONREAD, &waiting) != 0) return errno;
  *count = waiting > 0 ? static_cast<size_t>(waiting) : 0;
  return 0;
}

int SerialPort::ReadAvailable(void* data, size_t size, size_t* got) {
  *got = 0;
  if (fd_ < 0) return EBADF;
  for (;;) {
    const ssize_t n = ::read(fd_, data, size);
    if (n >= 0) {
      *got = static_cast<size_t>(n);
      return 0;
    }
    if (errno == EINTR) continue;
    // EIO: the line is gone (an adapter pulled, the other side of a
    // pseudo-terminal closed); the caller has to open the port again.
    return errno == EAGAIN ? 0 : errno;
  }
}

int SerialPort::Read(void* data, size_t size, uint32_t totalMs, uint32_t intervalMs, size_t* got) {
  *got = 0;
  if (fd_ < 0) return EBADF;
  char* bytes = static_cast<char*>(data);
  const int64_t deadline = NowMs() + totalMs;
  while (*got < size) {
    int64_t wait = deadline - NowMs();
    if (*got > 0 && intervalMs > 0 && wait > intervalMs) wait = intervalMs;
    if (wait < 0) wait = 0;
    bool ready = false;
    if (const int error = PollFor(fd_, POLLIN, wait, &ready)) return error;
    if (!ready) return 0;
    size_t chunk = 0;
    if (const int error = ReadAvailable(bytes + *got, size - *got, &chunk)) return error;
    *got += chunk;
    if (chunk == 0) {
      // Readable but empty: the other side hung up. Wait out the time quietly.
      if (NowMs() >= deadline) return 0;
      const timespec step{0, 1'000'000};
      nanosleep(&step, nullptr);
    }
  }
  return 0;
}

int SerialPort::Purge(bool input, bool output) {
  if (fd_ < 0) return EBADF;
  const int queue = input && output ? TCIOFLUSH : input ? TCIFLUSH : TCOFLUSH;
  if (!input && !output) return 0;
  return ::tcflush(fd_, queue) == 0 ? 0 : errno;
}
