// What the simulator adds to a query and its answer, as the driver
// benchmarks see it. Each pair measures the same client (a bare C write,
// then poll and read up to the line feed of a 21-byte answer) against a
// minimal blocking server thread and against an in-process swmsim instrument:
//   TcpRoundTrip/bare, TcpRoundTrip/swmsim      over TCP loopback
//   PtyRoundTrip/bare, PtyRoundTrip/swmsim      over a pseudo-terminal
// The driver benchmarks compare a driver's exchange with the bare client
// against the same simulator, so the simulator's share cancels out there;
// these figures show how large that share is (goal: swmsim within 3 times the
// bare server's round trip, so that it never dominates a driver measurement).
// The client and the threads that answer it run on one processor (Placement.h).
#include <arpa/inet.h>
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <string>
#include <thread>

#include "BareExchange.h"
#include "LineResponder.h"
#include "Placement.h"
#include "sim/core/Simulator.h"

namespace {

const char kQuery[] = "*IDN?\n";
const char kAnswer[] = "ACME,DMM100,1234,1.0\n";  // 21 bytes

// The minimal server: reads until a line feed, writes the answer, again.
void ServeBare(int fd) {
  char buffer[256];
  for (;;) {
    const ssize_t count = read(fd, buffer, sizeof buffer);
    if (count <= 0) return;
    for (ssize_t i = 0; i < count; ++i)
      if (buffer[i] == '\n' && write(fd, kAnswer, sizeof kAnswer - 1) < 0) return;
  }
}

void MakeRaw(int fd) {
  termios settings{};
  tcgetattr(fd, &settings);
  cfmakeraw(&settings);
  tcsetattr(fd, TCSANOW, &settings);
}

void Measure(benchmark::State& state, int fd) {
  for (auto _ : state) {
    if (!bench::BareExchange(fd, kQuery, sizeof kAnswer - 1)) {
      state.SkipWithError("exchange failed");
      break;
    }
  }
}

void TcpRoundTripBare(benchmark::State& state) {
  bench::OneProcessor placement(state);
  bench::LineResponder server(kAnswer);
  const int client = bench::ConnectTcp(server.Port());
  Measure(state, client);
  close(client);
}

void TcpRoundTripSwmsim(benchmark::State& state) {
  bench::OneProcessor placement(state);
  sim::Simulator simulator;
  sim::Instrument& dmm = simulator.Add("dmm", {{"transport", "tcp"}, {"idn", "ACME,DMM100,1234,1.0"}});
  const int client = bench::ConnectTcp(dmm.Endpoint().port);
  Measure(state, client);
  close(client);
}

void PtyRoundTripBare(benchmark::State& state) {
  bench::OneProcessor placement(state);
  const int master = posix_openpt(O_RDWR | O_NOCTTY);
  grantpt(master);
  unlockpt(master);
  const int slave = open(ptsname(master), O_RDWR | O_NOCTTY);
  MakeRaw(slave);
  std::thread server([master] { ServeBare(master); });
  Measure(state, slave);
  close(slave);  // the server's read ends with an error
  server.join();
  close(master);
}

void PtyRoundTripSwmsim(benchmark::State& state) {
  bench::OneProcessor placement(state);
  sim::Simulator simulator;
  sim::Instrument& dmm = simulator.Add("dmm", {{"transport", "pty"}, {"idn", "ACME,DMM100,1234,1.0"}});
  const int port = open(dmm.Endpoint().device.c_str(), O_RDWR | O_NOCTTY);
  MakeRaw(port);
  Measure(state, port);
  close(port);
}

}  // namespace

BENCHMARK(TcpRoundTripBare)->Name("TcpRoundTrip/bare")->UseRealTime();
BENCHMARK(TcpRoundTripSwmsim)->Name("TcpRoundTrip/swmsim")->UseRealTime();
BENCHMARK(PtyRoundTripBare)->Name("PtyRoundTrip/bare")->UseRealTime();
BENCHMARK(PtyRoundTripSwmsim)->Name("PtyRoundTrip/swmsim")->UseRealTime();
BENCHMARK_MAIN();
