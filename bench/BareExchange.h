#pragma once
// The bare C reference the exchange benchmarks compare against: a query
// written with write(), the answer read with poll() and read() up to its line
// feed, and a TCP connection to a loopback port with Nagle's algorithm off.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <string_view>

namespace bench {
// True when the answer that came back has answerSize bytes (its line feed included).
inline bool BareExchange(int fd, std::string_view query, size_t answerSize) {
  if (write(fd, query.data(), query.size()) != static_cast<ssize_t>(query.size())) return false;
  char buffer[128];
  size_t got = 0;
  while (got == 0 || buffer[got - 1] != '\n') {
    pollfd entry{fd, POLLIN, 0};
    if (poll(&entry, 1, 5000) <= 0) return false;
    const ssize_t count = read(fd, buffer + got, sizeof buffer - got);
    if (count <= 0) return false;
    got += static_cast<size_t>(count);
  }
  return got == answerSize;
}

// A connected socket, or -1.
inline int ConnectTcp(uint16_t port) {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  const int yes = 1;
  setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    close(fd);
    return -1;
  }
  return fd;
}
}  // namespace bench
