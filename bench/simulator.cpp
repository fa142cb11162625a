// What the simulator adds to a query and its answer, as the driver
// benchmarks see it. Each pair measures the same client (a bare C write,
// then poll and read up to the line feed of a 21-byte answer) against a
// minimal blocking server thread and against an in-process swmsim instrument:
//   TcpRoundTrip/bare, TcpRoundTrip/swmsim      over TCP loopback
//   PtyRoundTrip/bare, PtyRoundTrip/swmsim      over a pseudo-terminal
//   HislipQuery/raw-socket, HislipQuery/hislip  the same swmsim instrument's
//       *IDN? over a raw TCP socket and as a HiSLIP DataEnd message on the
//       synchronous channel of a session (the same client loop writes the
//       bytes and reads up to the answer's line feed; goal: HiSLIP within
//       1.5 times the raw socket)
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
#include <optional>
#include <string>
#include <thread>

#include "BareExchange.h"
#include "LineResponder.h"
#include "Placement.h"
#include "sim/core/Simulator.h"
#include "tests/sim/HislipClient.h"

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

// The *IDN? query as a DataEnd with the first message ID: 16 header bytes and the query.
std::string HislipQueryMessage() {
  std::string message("HS\x07\x00\xFF\xFF\xFF\x00\0\0\0\0\0\0\0", 15);
  message += static_cast<char>(sizeof kQuery - 1);
  return message + kQuery;
}

void HislipQuery(benchmark::State& state, bool hislip) {
  bench::OneProcessor placement(state);
  sim::Simulator simulator;
  sim::Instrument& dmm = simulator.Add(
      "dmm", {{"transport", hislip ? "hislip" : "tcp"}, {"port", "0"}, {"idn", "ACME,DMM100,1234,1.0"}});
  std::optional<hisliptest::HislipClient> session;
  int fd = -1;
  if (hislip) {
    session.emplace(dmm.Endpoint().port);
    if (!session->Ready()) return state.SkipWithError("no HiSLIP session");
    fd = session->Fd(hisliptest::kSync);
  } else {
    fd = bench::ConnectTcp(dmm.Endpoint().port);
  }
  const std::string query = hislip ? HislipQueryMessage() : std::string(kQuery);
  const size_t answerSize = (hislip ? 16 : 0) + sizeof kAnswer - 1;
  for (auto _ : state) {
    if (!bench::BareExchange(fd, query, answerSize)) {
      state.SkipWithError("exchange failed");
      break;
    }
  }
  if (!hislip) close(fd);
}

}  // namespace

BENCHMARK_CAPTURE(HislipQuery, raw, false)->Name("HislipQuery/raw-socket")->UseRealTime();
BENCHMARK_CAPTURE(HislipQuery, hislip, true)->Name("HislipQuery/hislip")->UseRealTime();
BENCHMARK(TcpRoundTripBare)->Name("TcpRoundTrip/bare")->UseRealTime();
BENCHMARK(TcpRoundTripSwmsim)->Name("TcpRoundTrip/swmsim")->UseRealTime();
BENCHMARK(PtyRoundTripBare)->Name("PtyRoundTrip/bare")->UseRealTime();
BENCHMARK(PtyRoundTripSwmsim)->Name("PtyRoundTrip/swmsim")->UseRealTime();
BENCHMARK_MAIN();
