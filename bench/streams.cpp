// Cost of a device-stream exchange against the bare C round trip it wraps,
// side by side in one run, with the same bytes (a 6-byte query, a 21-byte
// answer):
//   TcpRoundTrip/bare/server     bare C client (write, poll, read) against a
//                                minimal blocking server thread
//   TcpWriteRead/stream/server   the TCP stream's WriteRead against the same
//                                kind of server; goal <= 1.15 x bare
//   TcpRoundTrip/bare/swmsim and TcpWriteRead/stream/swmsim: the same pair
//                                against an in-process simulated instrument
//   NamedLock/TwoProcesses       two processes exchange 10 000 times each with
//                                one instrument through one stream lock;
//                                counter "interleaved" must be 0
#include <arpa/inet.h>
#include <benchmark/benchmark.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>
#include <wx/init.h>

#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "platform/NamedSharedMutex.h"
#include "sim/core/Simulator.h"
#include "streams/DeviceStreamClientWithStream.h"
#include "streams/tcp/NetworkBasedDeviceStreamConfig.h"

namespace {
const char kQuery[] = "*IDN?\n";
const char kAnswer[] = "ACME,DMM100,1234,1.0\n";  // 21 bytes
const char kIdn[] = "ACME,DMM100,1234,1.0";

bool EnsureRuntime() {
  static wxInitializer* runtime = new wxInitializer();
  return runtime->IsOk();
}

// One exchange as bare C does it.
bool BareExchange(int fd) {
  if (write(fd, kQuery, sizeof kQuery - 1) != static_cast<ssize_t>(sizeof kQuery - 1)) return false;
  char buffer[64];
  size_t got = 0;
  while (got == 0 || buffer[got - 1] != '\n') {
    pollfd entry{fd, POLLIN, 0};
    if (poll(&entry, 1, 5000) <= 0) return false;
    const ssize_t count = read(fd, buffer + got, sizeof buffer - got);
    if (count <= 0) return false;
    got += static_cast<size_t>(count);
  }
  return got == sizeof kAnswer - 1;
}

// A minimal blocking server: answers every line feed; serves connections one after another.
class BareServer {
public:
  BareServer() {
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
      for (;;) {
        const int fd = accept(listener_, nullptr, nullptr);
        if (fd < 0) return;
        const int yes = 1;
        setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
        char buffer[256];
        for (;;) {
          const ssize_t count = read(fd, buffer, sizeof buffer);
          if (count <= 0) break;
          bool failed = false;
          for (ssize_t i = 0; i < count && !failed; ++i)
            if (buffer[i] == '\n') failed = write(fd, kAnswer, sizeof kAnswer - 1) < 0;
          if (failed) break;
        }
        close(fd);
      }
    });
  }
  ~BareServer() {
    shutdown(listener_, SHUT_RDWR);
    close(listener_);
    thread_.join();
  }
  uint16_t Port() const { return port_; }

private:
  int listener_ = -1;
  uint16_t port_ = 0;
  std::thread thread_;
};

int ConnectTcp(uint16_t port) {
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

void MeasureBare(benchmark::State& state, uint16_t port) {
  const int fd = ConnectTcp(port);
  for (auto _ : state) {
    if (!BareExchange(fd)) {
      state.SkipWithError("exchange failed");
      break;
    }
  }
  close(fd);
}

std::string LockName(uint16_t port) {
  return wxString(Mutex::StreamLockName(L"ETHER:127.0.0.1:" + std::to_wstring(port))).utf8_string();
}

// A driver's client offering the instrument on the port.
void OfferTcp(DeviceStreamClientWithStream& client, uint16_t port) {
  client.Manager().AddStreamConfiguration("TCPIP");
  client.Manager().SetDefaultTypeName("TCPIP");
  client.SelectedConfigurationAs<NetworkBasedDeviceStreamConfig>()->SetAddress("127.0.0.1:" + std::to_string(port));
}

void MeasureStream(benchmark::State& state, uint16_t port) {
  if (!EnsureRuntime()) {
    state.SkipWithError("no wxWidgets runtime");
    return;
  }
  {
    DeviceStreamClientWithStream client;
    OfferTcp(client, port);
    if (client.ConnectStream(0, true) != 0) {
      state.SkipWithError("cannot connect");
      return;
    }
    std::string answer;
    for (auto _ : state) {
      if (client.WriteRead(0, "*IDN?", answer, 100, 1) != 0 || answer.size() != sizeof kAnswer - 1) {
        state.SkipWithError("exchange failed");
        break;
      }
    }
  }
  NamedSharedMutex::Remove(LockName(port));
}

void TcpRoundTripBareServer(benchmark::State& state) {
  BareServer server;
  MeasureBare(state, server.Port());
}

void TcpWriteReadStreamServer(benchmark::State& state) {
  BareServer server;
  MeasureStream(state, server.Port());
}

void TcpRoundTripBareSwmsim(benchmark::State& state) {
  sim::Simulator simulator;
  MeasureBare(state, simulator.Add("dmm", {{"transport", "tcp"}, {"idn", kIdn}}).Endpoint().port);
}

void TcpWriteReadStreamSwmsim(benchmark::State& state) {
  sim::Simulator simulator;
  MeasureStream(state, simulator.Add("dmm", {{"transport", "tcp"}, {"idn", kIdn}}).Endpoint().port);
}

// One process of the pair: each exchange is two commands under one lock.
int ExchangeUnderTheLock(uint16_t port, int process, int exchanges, int startPipe) {
  DeviceStreamClientWithStream client;
  OfferTcp(client, port);
  if (client.ConnectStream(0, true) != 0) return 10;
  char go = 0;
  if (read(startPipe, &go, 1) != 1) return 11;
  std::string name = "P";
  name += std::to_string(process);
  std::string answer;
  for (int n = 0; n < exchanges; ++n) {
    DeviceStreamClientWithStream::DeviceStreamLocker locker(client, 0);
    if (locker.Lock(10.0) != 0) return 12;
    // Built piece by piece: "literal" + string trips a false -Wrestrict warning of g++ 12.
    std::string begin = name, end = name;
    begin.append(":BEGIN ").append(std::to_string(n));
    end.append(":END ").append(std::to_string(n)).append("?");
    if (client.Write(0, begin, false) != 0) return 13;
    if (client.WriteRead(0, end, answer, 100, 1) != 0) return 14;
  }
  return 0;
}

// Counts the exchanges whose two commands another exchange came between.
int64_t Interleaved(const std::vector<std::string>& commands) {
  int64_t interleaved = 0;
  for (size_t i = 0; i + 1 < commands.size(); i += 2) {
    int process = 0, n = 0, endProcess = 0, endN = 0;
    if (std::sscanf(commands[i].c_str(), "P%d:BEGIN %d", &process, &n) != 2 ||
        std::sscanf(commands[i + 1].c_str(), "P%d:END %d?", &endProcess, &endN) != 2 || process != endProcess ||
        n != endN)
      ++interleaved;
  }
  return interleaved;
}

void NamedLockTwoProcesses(benchmark::State& state) {
  constexpr int kExchanges = 10000;
  if (!EnsureRuntime()) {
    state.SkipWithError("no wxWidgets runtime");
    return;
  }
  sim::Simulator simulator;
  sim::Instrument& dmm = simulator.Add("dmm", {{"transport", "tcp"},
                                               {"accept-re", "^P[12]:BEGIN [0-9]+$"},
                                               {"answer-re", "^P([12]):END ([0-9]+)\\?$ -> $1 $2"}});
  const uint16_t port = dmm.Endpoint().port;
  for (auto _ : state) {
    state.PauseTiming();
    dmm.ResetLog();
    int start[2];
    if (pipe(start) != 0) {
      state.SkipWithError("pipe");
      break;
    }
    pid_t children[2];
    for (int process = 1; process <= 2; ++process) {
      children[process - 1] = fork();
      if (children[process - 1] == 0) _exit(ExchangeUnderTheLock(port, process, kExchanges, start[0]));
    }
    state.ResumeTiming();
    if (write(start[1], "gg", 2) != 2) state.SkipWithError("start");
    bool failed = false;
    for (pid_t child : children) {
      int status = 0;
      waitpid(child, &status, 0);
      failed = failed || !WIFEXITED(status) || WEXITSTATUS(status) != 0;
    }
    state.PauseTiming();
    close(start[0]);
    close(start[1]);
    const std::vector<std::string> commands = dmm.ReceivedCommands();
    state.counters["exchanges"] = static_cast<double>(commands.size() / 2);
    state.counters["interleaved"] = static_cast<double>(Interleaved(commands));
    if (failed || commands.size() != 4u * kExchanges) state.SkipWithError("a process failed");
    state.ResumeTiming();
  }
  NamedSharedMutex::Remove(LockName(port));
}
}  // namespace

BENCHMARK(TcpRoundTripBareServer)->Name("TcpRoundTrip/bare/server")->UseRealTime();
BENCHMARK(TcpWriteReadStreamServer)->Name("TcpWriteRead/stream/server")->UseRealTime();
BENCHMARK(TcpRoundTripBareSwmsim)->Name("TcpRoundTrip/bare/swmsim")->UseRealTime();
BENCHMARK(TcpWriteReadStreamSwmsim)->Name("TcpWriteRead/stream/swmsim")->UseRealTime();
BENCHMARK(NamedLockTwoProcesses)->Name("NamedLock/TwoProcesses")->Iterations(1)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
