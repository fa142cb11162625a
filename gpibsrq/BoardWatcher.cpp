#include "gpibsrq/BoardWatcher.h"

#include <array>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

#include "gpibsrq/GpibCalls.h"
#include "gpibsrq/SrqRegistry.h"

namespace gpibsrq {
namespace {

// The board's time-out while the thread waits: how long a stop may wait for
// a pending ibwait. A request ends the wait at once whatever its length.
constexpr int kWaitTimeoutCode = 10;  // T300ms
// The pause after a failed wait, or after a request that no registered device
// made (the line stays set until its device is polled by whoever owns it).
constexpr std::chrono::milliseconds kPause{100};

// Held while a board polls its devices and calls handlers; recursive, so
// that a handler may unregister.
std::recursive_mutex dispatchLock;

class Watcher {
public:
  explicit Watcher(int board) : board_(board), thread_([this] { Run(); }) {}
  ~Watcher() {
    {
      std::lock_guard guard(lock_);
      stop_ = true;
    }
    changed_.notify_all();
    thread_.join();
  }
  void Wake() {
    { std::lock_guard guard(lock_); }
    changed_.notify_all();
  }

private:
  // Waits until the board has registrations (true) or the watcher stops.
  bool AwaitWork() {
    std::unique_lock guard(lock_);
    changed_.wait(guard, [this] { return stop_ || !RegistrationsOn(board_).empty(); });
    return !stop_;
  }
  // Sleeps for the pause; false when the watcher stops meanwhile.
  bool Pause() {
    std::unique_lock guard(lock_);
    return !changed_.wait_for(guard, kPause, [this] { return stop_; });
  }

  // Polls every device registered on the board; true when one had requested service.
  bool PollDevices(const GpibCalls& gpib) {
    std::lock_guard guard(dispatchLock);
    bool requested = false;
    for (const SrqRegistration& polled : RegistrationsOn(board_)) {
      if (!FindRegistration(polled.handle)) continue;  // unregistered by a handler meanwhile
      char statusByte = 0;
      if (gpib.ibrsp(polled.pollDescriptor, &statusByte) & kErr) {
        SetLastError(kPollFailed);
        continue;
      }
      const int status = static_cast<unsigned char>(statusByte);
      if (!(status & kRequestService)) continue;
      requested = true;
      const std::optional<SrqRegistration> current = FindRegistration(polled.handle);
      if (!current || !current->expecting) {
        SetLastError(kUnexpectedRequest);
        continue;
      }
      current->handler(current->context, status);
    }
    return requested;
  }

  void Run() {
    const GpibCalls* gpib = Gpib();
    while (AwaitWork()) {
      if (!gpib) {
        SetLastError(kGpibUnusable);
        if (!Pause()) break;
        continue;
      }
      // Set before every wait: the board descriptor is shared with whoever
      // else uses the board, and a wait must stay short enough to stop.
      gpib->ibtmo(board_, kWaitTimeoutCode);
      const int status = gpib->ibwait(board_, kSrqi | kTimo);
      if (status & kErr) {
        SetLastError(kGpibUnusable);
        if (!Pause()) break;
        continue;
      }
      if ((status & kSrqi) && !PollDevices(*gpib) && !Pause()) break;
    }
  }

  const int board_;
  std::mutex lock_;
  std::condition_variable changed_;
  bool stop_ = false;
  std::thread thread_;
};

std::mutex watchersLock;
std::array<std::unique_ptr<Watcher>, kBoards>& Watchers() {
  static std::array<std::unique_ptr<Watcher>, kBoards> watchers;
  return watchers;
}

}  // namespace

void WatchBoard(int board) {
  if (board < 0 || board >= kBoards) return;
  std::lock_guard guard(watchersLock);
  std::unique_ptr<Watcher>& watcher = Watchers()[static_cast<size_t>(board)];
  if (!watcher) watcher = std::make_unique<Watcher>(board);
  watcher->Wake();
}

void WaitForDispatch() { std::lock_guard guard(dispatchLock); }

int CountRequestingBoards() {
  const GpibCalls* gpib = Gpib();
  if (!gpib) {
    SetLastError(kGpibUnusable);
    return -1;
  }
  int answered = 0, requesting = 0;
  for (int board = 0; board < kBoards; ++board) {
    short lines = 0;
    if (gpib->iblines(board, &lines) & kErr) continue;  // not a configured board
    ++answered;
    if ((lines & kValidSrq) && (lines & kBusSrq)) ++requesting;
  }
  if (answered == 0) SetLastError(kGpibUnusable);
  return answered == 0 ? -1 : requesting;
}

}  // namespace gpibsrq
