#include "SimTestIo.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>

namespace simtest {
namespace {

// Waits until fd is readable; false at the time-out.
bool WaitReadable(int fd, int64_t deadline) {
  const int64_t left = deadline - NowMs();
  if (left <= 0) return false;
  pollfd entry{fd, POLLIN, 0};
  return ::poll(&entry, 1, static_cast<int>(left)) > 0;
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

std::string MakeTempDir(const std::string& name) {
  static std::atomic<int> counter{0};
  const std::string path = testing::TempDir() + "swmsim-" + name + "-" + std::to_string(::getpid()) +
                           "-" + std::to_string(counter++);
  std::filesystem::remove_all(path);
  std::filesystem::create_directories(path);
  return path;
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
  const int64_t deadline = NowMs() + timeoutMs;
  std::string bytes;
  while (!bytes.ends_with(end) && WaitReadable(fd, deadline)) {
    char buffer[4096];
    const ssize_t count = ::read(fd, buffer, sizeof buffer);
    if (count <= 0) break;
    bytes.append(buffer, static_cast<size_t>(count));
  }
  return bytes;
}

std::string ReadLine(int fd, int timeoutMs) {
  const int64_t deadline = NowMs() + timeoutMs;
  std::string line;
  char byte = 0;
  while (byte != '\n' && WaitReadable(fd, deadline) && ::read(fd, &byte, 1) == 1) line.push_back(byte);
  return line;
}

std::string ReadCount(int fd, size_t count, int timeoutMs) {
  const int64_t deadline = NowMs() + timeoutMs;
  std::string bytes;
  while (bytes.size() < count && WaitReadable(fd, deadline)) {
    char buffer[4096];
    const ssize_t got = ::read(fd, buffer, std::min(sizeof buffer, count - bytes.size()));
    if (got <= 0) break;
    bytes.append(buffer, static_cast<size_t>(got));
  }
  return bytes;
}

std::string ReadToEnd(int fd, bool* closed, int timeoutMs) {
  const int64_t deadline = NowMs() + timeoutMs;
  std::string bytes;
  *closed = false;
  while (WaitReadable(fd, deadline)) {
    char buffer[4096];
    const ssize_t count = ::read(fd, buffer, sizeof buffer);
    if (count <= 0) {
      *closed = true;
      break;
    }
    bytes.append(buffer, static_cast<size_t>(count));
  }
  return bytes;
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
