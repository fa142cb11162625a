#pragma once
// A loopback port of the test's own: a TCP port that listens (connections
// wait in its queue and are never answered) or is only bound (connections
// are refused), or a UDP port whose datagrams wait unread until Received()
// counts them.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <string>

class LoopbackPort {
public:
  enum Kind { kRefusing, kListening, kDatagram };

  explicit LoopbackPort(Kind kind)
      : fd_(socket(AF_INET, (kind == kDatagram ? SOCK_DGRAM : SOCK_STREAM) | SOCK_NONBLOCK | SOCK_CLOEXEC, 0)) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    if (bind(fd_, reinterpret_cast<sockaddr*>(&address), size) != 0 ||
        getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &size) != 0 ||
        (kind == kListening && listen(fd_, 8) != 0))
      ADD_FAILURE() << "no loopback port";
    else
      port_ = ntohs(address.sin_port);
  }
  ~LoopbackPort() { close(fd_); }
  LoopbackPort(const LoopbackPort&) = delete;
  LoopbackPort& operator=(const LoopbackPort&) = delete;

  // 0 when no port could be had.
  int Port() const { return port_; }
  std::string Address() const { return "127.0.0.1:" + std::to_string(port_); }
  // Whether a connection came (and takes it).
  bool Connected() {
    const int accepted = accept(fd_, nullptr, nullptr);
    if (accepted < 0) return false;
    close(accepted);
    return true;
  }
  // Bytes of the datagrams received so far.
  size_t Received() {
    char buffer[65536];
    for (ssize_t got; (got = recv(fd_, buffer, sizeof buffer, 0)) > 0;) received_ += static_cast<size_t>(got);
    return received_;
  }

private:
  int fd_ = -1;
  int port_ = 0;
  size_t received_ = 0;
};
