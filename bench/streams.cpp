// Cost of a device-stream exchange against the bare C round trip it wraps,
// side by side in one run, with the same bytes (a 6-byte query, a 21-byte
// answer):
//   TcpRoundTrip/bare/server     bare C client (write, poll, read) against a
//                                minimal blocking server thread
//   TcpWriteRead/stream/server   the TCP stream's WriteRead against the same
//                                kind of server; goal <= 1.15 x bare
//   TcpRoundTrip/bare/swmsim and TcpWriteRead/stream/swmsim: the same pair
//                                against an in-process simulated instrument
//   PtyRoundTrip/bare/server, PtyWriteRead/stream/server, and the same against
//                                swmsim: the serial stream over a pseudo-terminal
//                                linked as a COM port; goal <= 1.2 x bare
//   TcpPairs/server, TcpPairs/swmsim, PtyPairs/server, PtyPairs/swmsim:
//                                the bare exchange and the stream's alternate in
//                                every iteration, so that both meet the same load
//                                of the machine; counters bare_us and stream_us
//                                (medians) and ratio: the figures to compare
//                                with the goals on a busy machine
// Every exchange benchmark runs the client and the threads that answer it on
// one processor (its label names it; see Placement.h).
//   NamedLock/TwoProcesses       two processes exchange 10 000 times each with
//                                one instrument through one stream lock;
//                                counter "interleaved" must be 0
#include <arpa/inet.h>
#include <benchmark/benchmark.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "BareExchange.h"
#include "LineResponder.h"
#include "PairedExchanges.h"
#include "Placement.h"
#include "WxRuntime.h"
#include "platform/NamedSharedMutex.h"
#include "sim/core/Simulator.h"
#include "streams/DeviceStreamClientWithStream.h"
#include "legacy/RS232DeviceDriver.h"
#include "streams/rs232/RS232DeviceStreamConfiguration.h"
#include "streams/tcp/NetworkBasedDeviceStreamConfig.h"

namespace {
const char kQuery[] = "*IDN?\n";
const char kAnswer[] = "ACME,DMM100,1234,1.0\n";  // 21 bytes
const char kIdn[] = "ACME,DMM100,1234,1.0";

// The bare server: answers every line feed with the identification.
class BareServer : public bench::LineResponder {
public:
  BareServer() : LineResponder(kAnswer) {}
};

void MeasureBare(benchmark::State& state, uint16_t port) {
  const int fd = bench::ConnectTcp(port);
  for (auto _ : state) {
    if (!bench::BareExchange(fd, kQuery, sizeof kAnswer - 1)) {
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
  if (!bench::EnsureWxRuntime()) {
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
  bench::OneProcessor placement(state);
  BareServer server;
  MeasureBare(state, server.Port());
}

void TcpWriteReadStreamServer(benchmark::State& state) {
  bench::OneProcessor placement(state);
  BareServer server;
  MeasureStream(state, server.Port());
}

void TcpRoundTripBareSwmsim(benchmark::State& state) {
  bench::OneProcessor placement(state);
  sim::Simulator simulator;
  MeasureBare(state, simulator.Add("dmm", {{"transport", "tcp"}, {"idn", kIdn}}).Endpoint().port);
}

void TcpWriteReadStreamSwmsim(benchmark::State& state) {
  bench::OneProcessor placement(state);
  sim::Simulator simulator;
  MeasureStream(state, simulator.Add("dmm", {{"transport", "tcp"}, {"idn", kIdn}}).Endpoint().port);
}

// A private ports directory ($SWMATRIX_PORTS) where COM ports are linked.
class PortsDirectory {
public:
  PortsDirectory() {
    std::string pattern = "/tmp/swm-bench-ports-XXXXXX";
    if (mkdtemp(pattern.data())) path_ = pattern;
    setenv("SWMATRIX_PORTS", path_.c_str(), 1);
  }
  ~PortsDirectory() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  const std::string& Path() const { return path_; }

private:
  std::string path_;
};

constexpr int kBenchCom = 201;

// The minimal server on the master side of a pseudo-terminal whose slave is linked as COMn.
class BarePtyServer {
public:
  explicit BarePtyServer(const std::string& ports) {
    master_ = posix_openpt(O_RDWR | O_NOCTTY);
    grantpt(master_);
    unlockpt(master_);
    const std::string slave = ptsname(master_);
    // The master keeps the line alive between openings of the port.
    keeper_ = open(slave.c_str(), O_RDWR | O_NOCTTY);
    termios settings{};
    tcgetattr(keeper_, &settings);
    cfmakeraw(&settings);
    tcsetattr(keeper_, TCSANOW, &settings);
    link_ = ports + "/COM" + std::to_string(kBenchCom);
    std::filesystem::create_symlink(slave, link_);
    thread_ = std::thread([this] {
      char buffer[256];
      for (;;) {
        const ssize_t count = read(master_, buffer, sizeof buffer);
        if (count <= 0) return;
        for (ssize_t i = 0; i < count; ++i)
          if (buffer[i] == '\n' && write(master_, kAnswer, sizeof kAnswer - 1) < 0) return;
      }
    });
  }
  ~BarePtyServer() {
    close(keeper_);
    shutdown(master_, SHUT_RDWR);
    // Closing the last slave ends the master's read with an error.
    thread_.join();
    close(master_);
  }
  const std::string& Link() const { return link_; }

private:
  int master_ = -1;
  int keeper_ = -1;
  std::string link_;
  std::thread thread_;
};

void MeasureBarePty(benchmark::State& state, const std::string& link) {
  const int fd = open(link.c_str(), O_RDWR | O_NOCTTY);
  termios settings{};
  tcgetattr(fd, &settings);
  cfmakeraw(&settings);
  tcsetattr(fd, TCSANOW, &settings);
  for (auto _ : state) {
    if (!bench::BareExchange(fd, kQuery, sizeof kAnswer - 1)) {
      state.SkipWithError("exchange failed");
      break;
    }
  }
  close(fd);
}

void MeasureSerialStream(benchmark::State& state, int com) {
  if (!bench::EnsureWxRuntime()) {
    state.SkipWithError("no wxWidgets runtime");
    return;
  }
  {
    DeviceStreamClientWithStream client;
    client.Manager().AddStreamConfiguration(RS232DeviceStreamConfiguration::kTypeName);
    client.Manager().SetDefaultTypeName(RS232DeviceStreamConfiguration::kTypeName);
    client.SelectedConfigurationAs<RS232DeviceStreamConfiguration>()->SetCOMPort(com);
    if (client.ConnectStream(0, true) != 0) {
      state.SkipWithError("cannot open the port");
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
  NamedSharedMutex::Remove(wxString(Mutex::StreamLockName(L"RS232:COM" + std::to_wstring(com))).utf8_string());
  NamedSharedMutex::Remove(wxString(RS232DeviceDriver::PortLockName(com)).utf8_string());
}

void PtyRoundTripBareServer(benchmark::State& state) {
  bench::OneProcessor placement(state);
  PortsDirectory ports;
  BarePtyServer server(ports.Path());
  MeasureBarePty(state, server.Link());
}

void PtyWriteReadStreamServer(benchmark::State& state) {
  bench::OneProcessor placement(state);
  PortsDirectory ports;
  BarePtyServer server(ports.Path());
  MeasureSerialStream(state, kBenchCom);
}

void PtyRoundTripBareSwmsim(benchmark::State& state) {
  bench::OneProcessor placement(state);
  PortsDirectory ports;
  sim::Simulator simulator;
  simulator.SetPortsDirectory(ports.Path());
  sim::Instrument& dmm =
      simulator.Add("dmm", {{"transport", "pty"}, {"com", std::to_string(kBenchCom)}, {"idn", kIdn}});
  MeasureBarePty(state, dmm.Endpoint().link);
}

void PtyWriteReadStreamSwmsim(benchmark::State& state) {
  bench::OneProcessor placement(state);
  PortsDirectory ports;
  sim::Simulator simulator;
  simulator.SetPortsDirectory(ports.Path());
  simulator.Add("dmm", {{"transport", "pty"}, {"com", std::to_string(kBenchCom)}, {"idn", kIdn}});
  MeasureSerialStream(state, kBenchCom);
}

// The bare exchange and the stream's, one after the other in every
// iteration, so that both see the same load of the machine. Counters: the
// medians of both in microseconds and their ratio.
// A connected TCP stream client of the port.
struct TcpClient {
  explicit TcpClient(uint16_t port) : port(port) {
    OfferTcp(client, port);
    connected = bench::EnsureWxRuntime() && client.ConnectStream(0, true) == 0;
  }
  ~TcpClient() {
    client.DisconnectStream(0);
    NamedSharedMutex::Remove(LockName(port));
  }
  bool Exchange() {
    return client.WriteRead(0, "*IDN?", answer, 100, 1) == 0 && answer.size() == sizeof kAnswer - 1;
  }
  uint16_t port;
  DeviceStreamClientWithStream client;
  std::string answer;
  bool connected = false;
};

void MeasureTcpPairs(benchmark::State& state, uint16_t port) {
  TcpClient stream(port);
  const int fd = bench::ConnectTcp(port);
  if (!stream.connected || fd < 0) {
    state.SkipWithError("cannot connect");
  } else {
    bench::MeasurePairs(state, [fd] { return bench::BareExchange(fd, kQuery, sizeof kAnswer - 1); }, [&stream] { return stream.Exchange(); });
  }
  if (fd >= 0) close(fd);
}

void TcpPairsServer(benchmark::State& state) {
  bench::OneProcessor placement(state);
  BareServer server;
  MeasureTcpPairs(state, server.Port());
}

void TcpPairsSwmsim(benchmark::State& state) {
  bench::OneProcessor placement(state);
  sim::Simulator simulator;
  MeasureTcpPairs(state, simulator.Add("dmm", {{"transport", "tcp"}, {"idn", kIdn}}).Endpoint().port);
}

// A serial stream client of the port COMn (in $SWMATRIX_PORTS).
struct SerialClient {
  explicit SerialClient(int com) : com(com) {
    client.Manager().AddStreamConfiguration(RS232DeviceStreamConfiguration::kTypeName);
    client.Manager().SetDefaultTypeName(RS232DeviceStreamConfiguration::kTypeName);
    client.SelectedConfigurationAs<RS232DeviceStreamConfiguration>()->SetCOMPort(com);
    connected = bench::EnsureWxRuntime() && client.ConnectStream(0, true) == 0;
  }
  ~SerialClient() {
    client.DisconnectStream(0);
    NamedSharedMutex::Remove(wxString(Mutex::StreamLockName(L"RS232:COM" + std::to_wstring(com))).utf8_string());
    NamedSharedMutex::Remove(wxString(RS232DeviceDriver::PortLockName(com)).utf8_string());
  }
  bool Exchange() {
    return client.WriteRead(0, "*IDN?", answer, 100, 1) == 0 && answer.size() == sizeof kAnswer - 1;
  }
  int com;
  DeviceStreamClientWithStream client;
  std::string answer;
  bool connected = false;
};

// Both clients have the port open; they take turns, so each answer reaches the one waiting for it.
void MeasurePtyPairs(benchmark::State& state, const std::string& link) {
  SerialClient stream(kBenchCom);
  const int fd = open(link.c_str(), O_RDWR | O_NOCTTY);
  if (!stream.connected || fd < 0) {
    state.SkipWithError("cannot open the port");
  } else {
    termios settings{};
    tcgetattr(fd, &settings);
    cfmakeraw(&settings);
    tcsetattr(fd, TCSANOW, &settings);
    bench::MeasurePairs(state, [fd] { return bench::BareExchange(fd, kQuery, sizeof kAnswer - 1); }, [&stream] { return stream.Exchange(); });
  }
  if (fd >= 0) close(fd);
}

void PtyPairsServer(benchmark::State& state) {
  bench::OneProcessor placement(state);
  PortsDirectory ports;
  BarePtyServer server(ports.Path());
  MeasurePtyPairs(state, server.Link());
}

void PtyPairsSwmsim(benchmark::State& state) {
  bench::OneProcessor placement(state);
  PortsDirectory ports;
  sim::Simulator simulator;
  simulator.SetPortsDirectory(ports.Path());
  sim::Instrument& dmm =
      simulator.Add("dmm", {{"transport", "pty"}, {"com", std::to_string(kBenchCom)}, {"idn", kIdn}});
  MeasurePtyPairs(state, dmm.Endpoint().link);
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
  if (!bench::EnsureWxRuntime()) {
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
BENCHMARK(PtyRoundTripBareServer)->Name("PtyRoundTrip/bare/server")->UseRealTime();
BENCHMARK(PtyWriteReadStreamServer)->Name("PtyWriteRead/stream/server")->UseRealTime();
BENCHMARK(PtyRoundTripBareSwmsim)->Name("PtyRoundTrip/bare/swmsim")->UseRealTime();
BENCHMARK(PtyWriteReadStreamSwmsim)->Name("PtyWriteRead/stream/swmsim")->UseRealTime();
BENCHMARK(TcpPairsServer)->Name("TcpPairs/server")->UseRealTime();
BENCHMARK(TcpPairsSwmsim)->Name("TcpPairs/swmsim")->UseRealTime();
BENCHMARK(PtyPairsServer)->Name("PtyPairs/server")->UseRealTime();
BENCHMARK(PtyPairsSwmsim)->Name("PtyPairs/swmsim")->UseRealTime();
BENCHMARK(NamedLockTwoProcesses)->Name("NamedLock/TwoProcesses")->Iterations(1)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
