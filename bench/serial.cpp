// A query and its answer through the legacy serial port class, against the
// same exchange done in bare C, over the same kind of pseudo-terminal and
// with the same minimal answering thread on its master side:
//   SerialRoundTrip/bare     write, then poll and read up to the line feed
//   SerialRoundTrip/legacy   RS232DeviceDriver::Write and OptimizedRead
//   SerialRoundTrip/interleaved  both in every iteration (in turns first),
//                                each on its own terminal; the counters are
//                                the medians and their ratio
// Goal: legacy within 1.2 times bare (legacy_over_bare <= 1.2). The client
// and the answering threads run on one processor (Placement.h).
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "BareExchange.h"
#include "Placement.h"
#include "legacy/RS232DeviceDriver.h"

namespace {

const char kQuery[] = "*IDN?\n";
const char kAnswer[] = "ACME,METER9,77,3.2\n";
constexpr int kComPort = 77;

// The answering side: reads until a line feed, writes the answer, again.
void Answer(int fd) {
  char buffer[256];
  for (;;) {
    const ssize_t count = read(fd, buffer, sizeof buffer);
    if (count <= 0) return;
    for (ssize_t i = 0; i < count; ++i)
      if (buffer[i] == '\n' && write(fd, kAnswer, sizeof kAnswer - 1) < 0) return;
  }
}

// A pseudo-terminal with the answering thread on its master side.
class AnsweredTerminal {
public:
  AnsweredTerminal() {
    master_ = posix_openpt(O_RDWR | O_NOCTTY);
    grantpt(master_);
    unlockpt(master_);
    slavePath_ = ptsname(master_);
    // The master side is raw too, so that nothing is echoed or translated.
    termios settings{};
    tcgetattr(master_, &settings);
    cfmakeraw(&settings);
    tcsetattr(master_, TCSANOW, &settings);
    holder_ = open(slavePath_.c_str(), O_RDWR | O_NOCTTY);  // keeps the line up between users
    tcgetattr(holder_, &settings);
    cfmakeraw(&settings);
    tcsetattr(holder_, TCSANOW, &settings);
    answerer_ = std::thread([this] { Answer(master_); });
  }
  ~AnsweredTerminal() {
    close(holder_);
    close(master_);  // ends the answering thread's read
    answerer_.join();
  }
  const std::string& SlavePath() const { return slavePath_; }

private:
  int master_ = -1;
  int holder_ = -1;
  std::string slavePath_;
  std::thread answerer_;
};

// The bare client: the slave side, raw and non-blocking.
int OpenBare(const std::string& path) {
  const int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
  termios settings{};
  tcgetattr(fd, &settings);
  cfmakeraw(&settings);
  tcsetattr(fd, TCSANOW, &settings);
  return fd;
}

bool LegacyExchange(RS232DeviceDriver& port, std::string* answer) {
  return port.Write(kQuery) == 0 && port.OptimizedRead(answer, 100, 5000) == 0 &&
         answer->size() == sizeof kAnswer - 1;
}

// The terminal linked as COMn in a private ports directory, for the legacy class.
class LinkedPort {
public:
  explicit LinkedPort(const std::string& slavePath)
      : directory_(std::filesystem::temp_directory_path().string() + "/swm-bench-serial-" + std::to_string(getpid())) {
    std::filesystem::remove_all(directory_);
    std::filesystem::create_directories(directory_);
    std::filesystem::create_symlink(slavePath, directory_ + "/COM" + std::to_string(kComPort));
    setenv("SWMATRIX_PORTS", directory_.c_str(), 1);
  }
  ~LinkedPort() { std::filesystem::remove_all(directory_); }

private:
  std::string directory_;
};

void SerialRoundTripBare(benchmark::State& state) {
  bench::OneProcessor placement(state);
  AnsweredTerminal terminal;
  const int fd = OpenBare(terminal.SlavePath());
  for (auto _ : state) {
    if (!bench::BareExchange(fd, kQuery, sizeof kAnswer - 1)) {
      state.SkipWithError("exchange failed");
      break;
    }
  }
  close(fd);
}

void SerialRoundTripLegacy(benchmark::State& state) {
  bench::OneProcessor placement(state);
  AnsweredTerminal terminal;
  LinkedPort link(terminal.SlavePath());
  RS232DeviceDriver port(kComPort, Br115200);
  if (port.Open() != 0) {
    state.SkipWithError("the port does not open");
    return;
  }
  std::string answer;
  for (auto _ : state) {
    if (!LegacyExchange(port, &answer)) {
      state.SkipWithError("exchange failed");
      break;
    }
  }
}

double Median(std::vector<double> samples) {
  if (samples.empty()) return 0;
  std::nth_element(samples.begin(), samples.begin() + static_cast<long>(samples.size() / 2), samples.end());
  return samples[samples.size() / 2];
}

// Both exchanges in every iteration, so that both see the same load of the machine.
void SerialRoundTripInterleaved(benchmark::State& state) {
  bench::OneProcessor placement(state);
  AnsweredTerminal bareTerminal, legacyTerminal;
  const int fd = OpenBare(bareTerminal.SlavePath());
  LinkedPort link(legacyTerminal.SlavePath());
  RS232DeviceDriver port(kComPort, Br115200);
  if (port.Open() != 0) {
    state.SkipWithError("the port does not open");
    close(fd);
    return;
  }
  std::vector<double> bare, legacy;
  std::string answer;
  using Clock = std::chrono::steady_clock;
  const auto timed = [](auto&& exchange, std::vector<double>* samples) {
    const Clock::time_point start = Clock::now();
    const bool done = exchange();
    samples->push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
    return done;
  };
  const auto bareOne = [&] { return bench::BareExchange(fd, kQuery, sizeof kAnswer - 1); };
  const auto legacyOne = [&] { return LegacyExchange(port, &answer); };
  bool first = true;
  for (auto _ : state) {
    // The order changes every iteration, so that neither side always follows the other.
    const bool done = first ? timed(bareOne, &bare) && timed(legacyOne, &legacy)
                            : timed(legacyOne, &legacy) && timed(bareOne, &bare);
    first = !first;
    if (!done) {
      state.SkipWithError("exchange failed");
      break;
    }
  }
  close(fd);
  const double bareMedian = Median(bare), legacyMedian = Median(legacy);
  state.counters["bare_p50_us"] = bareMedian;
  state.counters["legacy_p50_us"] = legacyMedian;
  state.counters["legacy_over_bare"] = bareMedian > 0 ? legacyMedian / bareMedian : 0;
}

}  // namespace

BENCHMARK(SerialRoundTripBare)->Name("SerialRoundTrip/bare")->UseRealTime();
BENCHMARK(SerialRoundTripLegacy)->Name("SerialRoundTrip/legacy")->UseRealTime();
BENCHMARK(SerialRoundTripInterleaved)->Name("SerialRoundTrip/interleaved")->UseRealTime()->Iterations(20000);
BENCHMARK_MAIN();
