#pragma once
// A minimal blocking TCP server on a loopback port: it answers every line
// feed it reads with one fixed answer, a thread per connection. The baseline
// responder of the benchmarks that compare a stream or a driver with a bare
// client.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <string>
#include <thread>
#include <vector>

namespace bench {

class LineResponder {
public:
  explicit LineResponder(std::string answer) : answer_(std::move(answer)) {
    listener_ = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address);
    listen(listener_, 4);
    getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this] {
      for (int fd; (fd = accept(listener_, nullptr, nullptr)) >= 0;) {
        const int yes = 1;
        setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
        connections_.emplace_back([this, fd] { Serve(fd); });
      }
    });
  }
  // Clients close their connections first.
  ~LineResponder() {
    shutdown(listener_, SHUT_RDWR);
    close(listener_);
    thread_.join();
    for (std::thread& connection : connections_) connection.join();
  }
  LineResponder(const LineResponder&) = delete;
  LineResponder& operator=(const LineResponder&) = delete;
  uint16_t Port() const { return port_; }

private:
  void Serve(int fd) const {
    char buffer[256];
    for (ssize_t count; (count = read(fd, buffer, sizeof buffer)) > 0;) {
      for (ssize_t i = 0; i < count; ++i)
        if (buffer[i] == '\n' && write(fd, answer_.data(), answer_.size()) < 0) count = 0;
    }
    close(fd);
  }

  const std::string answer_;
  int listener_ = -1;
  uint16_t port_ = 0;
  std::thread thread_;
  std::vector<std::thread> connections_;
};

}  // namespace bench
