#include "SimTestIo.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstring>

namespace simtest {
namespace {

// Waits until fd is readable; false at the time-out.
bool WaitReadable(int fd, int64_t deadline) {
  const int64_t left = deadline - NowMs();
  if (left <= 0) return false;
  pollfd entry{fd, POLLIN, 0};
  return ::poll(&entry, 1, static_cast<int>(left)) > 0;
}

constexpr size_t kAny = SIZE_MAX;

// The one read loop: reads while wanted(bytes so far) asks for more (at most
// that many bytes at a time) and the fd turns readable before the time-out;
// *closed, if given, tells whether the peer closed.
template <class Wanted>
std::string ReadWhile(int fd, int timeoutMs, Wanted wanted, bool* closed = nullptr) {
  const int64_t deadline = NowMs() + timeoutMs;
  std::string bytes;
  if (closed) *closed = false;
  for (size_t more = wanted(bytes); more > 0 && WaitReadable(fd, deadline); more = wanted(bytes)) {
    char buffer[4096];
    const ssize_t count = ::read(fd, buffer, std::min(sizeof buffer, more));
    if (count <= 0) {
      if (closed) *closed = true;
      break;
    }
    bytes.append(buffer, static_cast<size_t>(count));
  }
  return bytes;
}

sockaddr_in Loopback(uint16_t port) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  return address;
}

}  // namespace

Fd::~Fd() {
  if (fd_ >= 0) ::close(fd_);
}

Fd& Fd::operator=(Fd&& other) noexcept {
  if (this != &other) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = other.fd_;
    other.fd_ = -1;
  }
  return *this;
}

int64_t NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

Fd ConnectTcp(uint16_t port, int* error) {
  Fd fd(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
  // As drivers do: small commands leave at once instead of waiting for an acknowledgement.
  const int yes = 1;
  ::setsockopt(fd.get(), IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
  sockaddr_in address = Loopback(port);
  if (::connect(fd.get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    if (error) *error = errno;
    return Fd();
  }
  return fd;
}

Fd ConnectUnixSocket(const std::string& path) {
  Fd fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
  if (::connect(fd.get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) return Fd();
  return fd;
}

Fd ConnectUdp(uint16_t port) {
  Fd fd(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
  sockaddr_in address = Loopback(port);
  if (::connect(fd.get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) return Fd();
  return fd;
}

Fd OpenSerial(const std::string& path, speed_t speed, tcflag_t size, bool evenParity, bool twoStopBits) {
  Fd fd(::open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC));
  termios settings{};
  if (!fd.valid() || tcgetattr(fd.get(), &settings) != 0) return Fd();
  cfmakeraw(&settings);
  cfsetispeed(&settings, speed);
  cfsetospeed(&settings, speed);
  settings.c_cflag = (settings.c_cflag & ~CSIZE) | size | CLOCAL | CREAD;
  if (evenParity) settings.c_cflag = (settings.c_cflag | PARENB) & ~PARODD;
  if (twoStopBits) settings.c_cflag |= CSTOPB;
  if (tcsetattr(fd.get(), TCSANOW, &settings) != 0) return Fd();
  return fd;
}

bool SendAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t count = ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    const ssize_t written = count < 0 && errno == ENOTSOCK ? ::write(fd, bytes.data(), bytes.size()) : count;
    if (written <= 0) return false;
    bytes.remove_prefix(static_cast<size_t>(written));
  }
  return true;
}

std::string ReadUntil(int fd, std::string_view end, int timeoutMs) {
  return ReadWhile(fd, timeoutMs, [&](const std::string& bytes) { return bytes.ends_with(end) ? 0 : kAny; });
}

std::string ReadLine(int fd, int timeoutMs) {
  return ReadWhile(fd, timeoutMs, [](const std::string& bytes) -> size_t { return bytes.ends_with('\n') ? 0 : 1; });
}

std::string ReadCount(int fd, size_t count, int timeoutMs) {
  return ReadWhile(fd, timeoutMs, [&](const std::string& bytes) { return count - bytes.size(); });
}

std::string ReadToEnd(int fd, bool* closed, int timeoutMs) {
  return ReadWhile(fd, timeoutMs, [](const std::string&) { return kAny; }, closed);
}

std::string ReceiveDatagram(int fd, int timeoutMs, int* error) {
  if (!WaitReadable(fd, NowMs() + timeoutMs)) return "";
  char buffer[65536];
  const ssize_t count = ::recv(fd, buffer, sizeof buffer, 0);
  if (count < 0) {
    if (error) *error = errno;
    return "";
  }
  return std::string(buffer, static_cast<size_t>(count));
}

std::string Control(const std::string& path, const std::string& request) {
  Fd fd = ConnectUnixSocket(path);
  if (!fd.valid()) return "(cannot connect)";
  SendAll(fd.get(), request + "\n");
  std::string answer = ReadUntil(fd.get(), "\n");
  if (answer.ends_with('\n')) answer.pop_back();
  return answer;
}

}  // namespace simtest
