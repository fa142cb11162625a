#include "sim/libs/gpibsrq/SrqWatcher.h"

#include <poll.h>
#include <unistd.h>

#include <array>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>

#include "sim/libs/BusClient.h"
#include "sim/libs/gpibsrq/SrqRegistry.h"
#include "sim/transport/FileDescriptor.h"
#include "sim/transport/Sockets.h"

namespace simlib {
namespace {

using sim::transport::FileDescriptor;

constexpr int kBoards = 4;
constexpr int kWaitMs = 60'000;       // one waitsrq request; renewed while the watcher runs
constexpr int kReconnectMs = 100;     // pause before trying an unreachable bus again
constexpr int kAnswerMs = 5'000;

// Serialises handler calls with unregistering, so that no handler runs
// after its UnRegisterSRQHandler returned.
std::mutex dispatchLock;
thread_local bool inDispatch = false;

class Watcher {
public:
  explicit Watcher(int board) : board_(board) {
    int fds[2];
    if (::pipe(fds) == 0) {
      wakeRead_ = FileDescriptor(fds[0]);
      wakeWrite_ = FileDescriptor(fds[1]);
    }
    thread_ = std::thread([this] { Run(); });
  }
  ~Watcher() {
    const char byte = 1;
    if (::write(wakeWrite_.Get(), &byte, 1) < 0) {
      // The pipe is ours: a failed write leaves the thread to its next wake-up.
    }
    if (thread_.joinable()) thread_.join();
  }
  bool Finished() const { return finished_; }

private:
  // Waits for a line from the bus (or the wake-up); false to stop.
  bool ReadLine(int fd, std::string* line, int timeoutMs) {
    for (;;) {
      const size_t newline = buffer_.find('\n');
      if (newline != std::string::npos) {
        *line = buffer_.substr(0, newline);
        buffer_.erase(0, newline + 1);
        return true;
      }
      pollfd entries[2] = {{fd, POLLIN, 0}, {wakeRead_.Get(), POLLIN, 0}};
      if (::poll(entries, 2, timeoutMs) <= 0) return false;
      if (entries[1].revents) {
        stop_ = true;
        return false;
      }
      char chunk[512];
      const ssize_t got = ::read(fd, chunk, sizeof chunk);
      if (got <= 0) return false;
      buffer_.append(chunk, static_cast<size_t>(got));
    }
  }

  bool Ask(int fd, const std::string& request, std::string* answer, int timeoutMs) {
    return sim::transport::WriteAll(fd, request + "\n") && ReadLine(fd, answer, timeoutMs);
  }

  void Dispatch(int fd, const std::string& resource) {
    std::string answer;
    if (!Ask(fd, "poll " + resource, &answer, kAnswerMs) || !answer.starts_with("ok ")) {
      SetLastError(3);
      return;
    }
    const int statusByte = std::atoi(answer.c_str() + 3);
    std::lock_guard guard(dispatchLock);
    const std::optional<SrqRegistration> registration = FindRegistration(resource);
    if (!registration || !registration->expecting) {
      SetLastError(2);
      return;
    }
    inDispatch = true;
    registration->handler(registration->context, statusByte);
    inDispatch = false;
  }

  void Run() {
    while (!stop_ && BoardHasRegistrations(board_)) {
      const char* path = std::getenv("SWMATRIX_SIM_BUS");
      std::string error;
      FileDescriptor bus = path && *path ? sim::transport::ConnectUnix(path, &error) : FileDescriptor();
      buffer_.clear();
      if (!bus.Valid()) {
        SetLastError(1);
        pollfd wake{wakeRead_.Get(), POLLIN, 0};
        if (::poll(&wake, 1, kReconnectMs) > 0) break;
        continue;
      }
      while (!stop_ && BoardHasRegistrations(board_)) {
        std::string answer;
        if (!Ask(bus.Get(), "waitsrq GPIB" + std::to_string(board_) + " " + std::to_string(kWaitMs), &answer,
                 kWaitMs + kAnswerMs))
          break;
        if (answer.starts_with("ok ")) Dispatch(bus.Get(), answer.substr(3));
        else if (!answer.starts_with("timeout")) SetLastError(1);
      }
    }
    finished_ = true;
  }

  int board_;
  FileDescriptor wakeRead_, wakeWrite_;
  std::string buffer_;
  bool stop_ = false;
  std::atomic<bool> finished_{false};
  std::thread thread_;
};

std::mutex watchersLock;
std::array<std::unique_ptr<Watcher>, kBoards>& Watchers() {
  static std::array<std::unique_ptr<Watcher>, kBoards> watchers;
  return watchers;
}

}  // namespace

void StartWatcher(int board) {
  if (board < 0 || board >= kBoards) return;
  std::lock_guard guard(watchersLock);
  std::unique_ptr<Watcher>& watcher = Watchers()[static_cast<size_t>(board)];
  if (watcher && !watcher->Finished()) return;
  watcher.reset();  // a watcher that ended by itself is joined here
  watcher = std::make_unique<Watcher>(board);
}

void StopWatcherIfIdle(int board) {
  if (board < 0 || board >= kBoards || BoardHasRegistrations(board)) return;
  // From inside a handler the watcher is this very thread: it ends by itself
  // once the handler returns and finds no registrations left.
  if (inDispatch) return;
  std::unique_ptr<Watcher> stopping;
  {
    std::lock_guard guard(watchersLock);
    stopping = std::move(Watchers()[static_cast<size_t>(board)]);
  }
  stopping.reset();
}

void WaitForDispatch() {
  if (inDispatch) return;
  std::lock_guard guard(dispatchLock);
}

int CountRequestingBoards() {
  int requesting = 0;
  for (int board = 0; board < kBoards; ++board) {
    BusAnswer answer;
    if (!BusRequest("srq GPIB" + std::to_string(board), "", false, kAnswerMs, &answer)) {
      SetLastError(1);
      return -1;
    }
    if (answer.Ok() && answer.Word(1) == "1") ++requesting;
  }
  return requesting;
}

}  // namespace simlib
