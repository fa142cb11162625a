// A read whose socket keeps failing pauses between its retries, but never
// beyond its time-out.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "streams/SimulatedInstrument.h"

namespace {
// The descriptor of this process's connection to the loopback port (the
// end whose peer is the port), or -1.
int ClientSocketTo(uint16_t port) {
  for (int fd = 3; fd < 4096; ++fd) {
    sockaddr_in peer{};
    socklen_t size = sizeof peer;
    if (getpeername(fd, reinterpret_cast<sockaddr*>(&peer), &size) == 0 && peer.sin_family == AF_INET &&
        ntohs(peer.sin_port) == port)
      return fd;
  }
  return -1;
}
}  // namespace

TEST(TcpReadRecovery, PausesBetweenFailedReadsEndWithTheTimeOut) {
  constexpr double kTimeout = 0.5;
  SimulatedInstrument bench("TCPIP", {{"transport", "tcp"}}, kTimeout);
  ASSERT_EQ(bench.client.ConnectStream(0, true), 0u);
  const int fd = ClientSocketTo(bench.port);
  ASSERT_GE(fd, 0);
  // Every read on the connection now fails with an error that is retried:
  // the descriptor becomes a pipe whose reader is gone (not a socket).
  int pipeEnds[2];
  ASSERT_EQ(pipe(pipeEnds), 0);
  close(pipeEnds[0]);
  ASSERT_EQ(dup2(pipeEnds[1], fd), fd);
  close(pipeEnds[1]);
  std::string answer;
  Status status = 0;
  const double seconds = SecondsOf([&] { status = bench.client.Read(0, answer, 100); });
  EXPECT_NE(status, 0u);
  EXPECT_EQ(answer, "");
  EXPECT_LE(seconds, kTimeout * 1.1 + 0.05);
  bench.client.DisconnectStream(0);
}
