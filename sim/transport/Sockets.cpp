#include "sim/transport/Sockets.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <time.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>

namespace sim::transport {
namespace {

std::string ErrorText(const char* what) { return std::string(what) + ": " + std::strerror(errno); }

int64_t NowMs() {
  timespec now{};
  ::clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<int64_t>(now.tv_sec) * 1000 + now.tv_nsec / 1'000'000;
}

// Waits up to timeoutMs for events on fd; a signal does not start the wait
// again with the whole time, only with what is left of it.
bool WaitFor(int fd, short events, int64_t timeoutMs) {
  const int64_t deadline = NowMs() + timeoutMs;
  for (;;) {
    const int64_t left = deadline - NowMs();
    pollfd entry{fd, events, 0};
    const int ready = ::poll(&entry, 1, left > 0 ? static_cast<int>(std::min<int64_t>(left, INT_MAX)) : 0);
    if (ready > 0) return true;
    if ((ready < 0 && errno != EINTR) || deadline - NowMs() <= 0) return false;
  }
}

sockaddr_in Loopback(uint16_t port) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  return address;
}

FileDescriptor BindLoopback(int type, uint16_t port, uint16_t* boundPort, std::string* error) {
  FileDescriptor fd(::socket(AF_INET, type | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
  if (!fd.Valid()) {
    *error = ErrorText("socket");
    return {};
  }
  const int yes = 1;
  setsockopt(fd.Get(), SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
  sockaddr_in address = Loopback(port);
  if (::bind(fd.Get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    *error = ErrorText(("bind 127.0.0.1:" + std::to_string(port)).c_str());
    return {};
  }
  socklen_t length = sizeof address;
  getsockname(fd.Get(), reinterpret_cast<sockaddr*>(&address), &length);
  *boundPort = ntohs(address.sin_port);
  return fd;
}

bool FillUnixAddress(const std::string& path, sockaddr_un* address, std::string* error) {
  *address = {};
  address->sun_family = AF_UNIX;
  if (path.empty() || path.size() >= sizeof address->sun_path) {
    *error = "socket path empty or longer than " + std::to_string(sizeof address->sun_path - 1) +
             " bytes: " + path;
    return false;
  }
  std::memcpy(address->sun_path, path.c_str(), path.size() + 1);
  return true;
}

}  // namespace

FileDescriptor ListenTcp(uint16_t port, uint16_t* boundPort, std::string* error) {
  FileDescriptor fd = BindLoopback(SOCK_STREAM, port, boundPort, error);
  if (fd.Valid() && ::listen(fd.Get(), 64) != 0) {
    *error = ErrorText("listen");
    return {};
  }
  return fd;
}

FileDescriptor AcceptConnection(int listenFd) {
  FileDescriptor fd(::accept4(listenFd, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC));
  if (fd.Valid()) {
    const int yes = 1;
    setsockopt(fd.Get(), IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);  // fails harmlessly on Unix sockets
  }
  return fd;
}

FileDescriptor ConnectLoopbackTcp(uint16_t port, std::string* error) {
  FileDescriptor fd(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
  const sockaddr_in address = Loopback(port);
  if (!fd.Valid() || ::connect(fd.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
    *error = ErrorText("connect");
    return {};
  }
  const int yes = 1;
  setsockopt(fd.Get(), IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
  SetNonBlocking(fd.Get());
  return fd;
}

FileDescriptor BindUdp(uint16_t port, uint16_t* boundPort, std::string* error) {
  return BindLoopback(SOCK_DGRAM, port, boundPort, error);
}

bool ReceiveDatagram(int fd, std::string* bytes, PeerAddress* from) {
  char buffer[65536];
  socklen_t length = sizeof from->storage;
  const ssize_t count = ::recvfrom(fd, buffer, sizeof buffer, 0,
                                   reinterpret_cast<sockaddr*>(from->storage.data()), &length);
  if (count < 0) return false;
  from->length = length;
  bytes->assign(buffer, static_cast<size_t>(count));
  return true;
}

bool SendDatagram(int fd, std::string_view bytes, const PeerAddress& to) {
  return ::sendto(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL,
                  reinterpret_cast<const sockaddr*>(to.storage.data()), to.length) >= 0;
}

FileDescriptor ListenUnix(const std::string& path, std::string* error) {
  sockaddr_un address;
  if (!FillUnixAddress(path, &address, error)) return {};
  struct stat status {};
  if (::lstat(path.c_str(), &status) == 0) {
    if (!S_ISSOCK(status.st_mode)) {
      *error = "not a socket, left alone: " + path;
      return {};
    }
    ::unlink(path.c_str());
  }
  FileDescriptor fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
  if (!fd.Valid()) {
    *error = ErrorText("socket");
    return {};
  }
  if (::bind(fd.Get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    *error = ErrorText(("bind " + path).c_str());
    return {};
  }
  if (::listen(fd.Get(), 16) != 0) {
    *error = ErrorText("listen");
    return {};
  }
  return fd;
}

FileDescriptor ConnectUnix(const std::string& path, std::string* error) {
  sockaddr_un address;
  if (!FillUnixAddress(path, &address, error)) return {};
  FileDescriptor fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
  if (!fd.Valid()) {
    *error = ErrorText("socket");
    return {};
  }
  if (::connect(fd.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
    *error = ErrorText(("connect " + path).c_str());
    return {};
  }
  return fd;
}

IoResult ReadSome(int fd, char* buffer, size_t size) {
  IoResult result;
  ssize_t count;
  do {
    count = ::read(fd, buffer, size);
  } while (count < 0 && errno == EINTR);
  if (count > 0) {
    result.count = static_cast<size_t>(count);
  } else if (count == 0) {
    result.closed = true;
  } else if (errno == EAGAIN || errno == EWOULDBLOCK) {
    result.wouldBlock = true;
  } else {
    result.closed = true;
    result.error = errno;
  }
  return result;
}

IoResult WriteSome(int fd, std::string_view bytes) {
  IoResult result;
  ssize_t count;
  do {
    count = ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    if (count < 0 && errno == ENOTSOCK) count = ::write(fd, bytes.data(), bytes.size());
  } while (count < 0 && errno == EINTR);
  if (count >= 0) {
    result.count = static_cast<size_t>(count);
  } else if (errno == EAGAIN || errno == EWOULDBLOCK) {
    result.wouldBlock = true;
  } else {
    result.closed = true;
    result.error = errno;
  }
  return result;
}

bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const IoResult result = WriteSome(fd, bytes);
    if (result.closed || result.wouldBlock) return false;
    bytes.remove_prefix(result.count);
  }
  return true;
}

bool WaitForReadable(int fd, int timeoutMs) { return timeoutMs >= 0 && WaitFor(fd, POLLIN, timeoutMs); }

bool WaitForWritable(int fd, int timeoutMs) { return timeoutMs >= 0 && WaitFor(fd, POLLOUT, timeoutMs); }

bool ReadLine(int fd, int timeoutMs, std::string* line) {
  line->clear();
  const int64_t deadline = NowMs() + timeoutMs;
  for (;;) {
    if (timeoutMs < 0 || !WaitFor(fd, POLLIN, deadline - NowMs())) return false;
    char byte;
    const ssize_t count = ::read(fd, &byte, 1);
    if (count <= 0) return false;
    if (byte == '\n') return true;
    line->push_back(byte);
  }
}

void CloseGracefully(FileDescriptor& fd) {
  if (!fd.Valid()) return;
  // Shut the sending side first so the peer gets the data and then end of
  // file; unread input is drained so that closing sends no reset.
  ::shutdown(fd.Get(), SHUT_WR);
  char discard[4096];
  for (int i = 0; i < 64 && ::read(fd.Get(), discard, sizeof discard) > 0; ++i) {
  }
  fd.Reset();
}

void SetNonBlocking(int fd) {
  const int flags = ::fcntl(fd, F_GETFL);
  if (flags >= 0) ::fcntl(fd, F_SETFL, flags | O_NONBLOCK);
}

}  // namespace sim::transport
