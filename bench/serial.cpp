// A query and its answer through the legacy serial port class, against the
// same exchange done in bare C, over the same kind of pseudo-terminal and
// with the same minimal answering thread on its master side:
//   SerialRoundTrip/bare     write, then poll and read up to the line feed
//   SerialRoundTrip/legacy   RS232DeviceDriver::Write and OptimizedRead
// Goal: legacy within 1.2 times bare.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <thread>

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

void SerialRoundTripBare(benchmark::State& state) {
  AnsweredTerminal terminal;
  const int fd = open(terminal.SlavePath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
  termios settings{};
  tcgetattr(fd, &settings);
  cfmakeraw(&settings);
  tcsetattr(fd, TCSANOW, &settings);
  for (auto _ : state) {
    if (write(fd, kQuery, sizeof kQuery - 1) != static_cast<ssize_t>(sizeof kQuery - 1)) {
      state.SkipWithError("write failed");
      break;
    }
    char buffer[128];
    size_t got = 0;
    while (got == 0 || buffer[got - 1] != '\n') {
      pollfd entry{fd, POLLIN, 0};
      if (poll(&entry, 1, 5000) <= 0) break;
      const ssize_t count = read(fd, buffer + got, sizeof buffer - got);
      if (count <= 0) break;
      got += static_cast<size_t>(count);
    }
    if (got != sizeof kAnswer - 1) {
      state.SkipWithError("wrong answer");
      break;
    }
  }
  close(fd);
}

void SerialRoundTripLegacy(benchmark::State& state) {
  AnsweredTerminal terminal;
  const std::string ports = std::filesystem::temp_directory_path().string() + "/swm-bench-serial-" +
                            std::to_string(getpid());
  std::filesystem::create_directories(ports);
  std::filesystem::create_symlink(terminal.SlavePath(), ports + "/COM" + std::to_string(kComPort));
  setenv("SWMATRIX_PORTS", ports.c_str(), 1);
  {
    RS232DeviceDriver port(kComPort, Br115200);
    if (port.Open() != 0) {
      state.SkipWithError("the port does not open");
    } else {
      std::string answer;
      for (auto _ : state) {
        if (port.Write(kQuery) != 0 || port.OptimizedRead(&answer, 100, 5000) != 0 ||
            answer.size() != sizeof kAnswer - 1) {
          state.SkipWithError("exchange failed");
          break;
        }
      }
    }
  }
  std::filesystem::remove_all(ports);
}

}  // namespace

BENCHMARK(SerialRoundTripBare)->Name("SerialRoundTrip/bare")->UseRealTime();
BENCHMARK(SerialRoundTripLegacy)->Name("SerialRoundTrip/legacy")->UseRealTime();
BENCHMARK(SerialRoundTripBare)->Name("SerialRoundTrip/bare")->UseRealTime();
BENCHMARK(SerialRoundTripLegacy)->Name("SerialRoundTrip/legacy")->UseRealTime();
BENCHMARK_MAIN();
