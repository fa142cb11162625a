#pragma once
// A loopback TCP port of the test's own: listening (connections wait in its
// queue and are never answered) or only bound (connections are refused).
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

class LoopbackPort {
public:
  explicit LoopbackPort(bool listening) {
    fd_ = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    if (bind(fd_, reinterpret_cast<sockaddr*>(&address), size) != 0 ||
        getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &size) != 0 || (listening && listen(fd_, 8) != 0))
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

private:
  int fd_ = -1;
  int port_ = 0;
};
