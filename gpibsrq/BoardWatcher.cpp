#include "gpibsrq/BoardWatcher.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <optional>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

#include "gpibsrq/GpibCalls.h"
#include "gpibsrq/GpibConf.h"
#include "gpibsrq/SrqRegistry.h"
#include "platform/ProcessInfo.h"

namespace gpibsrq {
namespace {

// The board's time-out while the thread waits: how long a stop may wait for
// a pending ibwait. A request ends the wait at once whatever its length.
constexpr int kWaitTimeoutCode = 10;  // T300ms
// The pause after a failed wait, or after a request that no registered device
// made (the line stays set until its device is polled by whoever owns it).
constexpr std::chrono::milliseconds kPause{100};
// Where the thread cannot wait for the line, it looks at the board this often
// while one of its registrations expects a request, and else at this pace.
constexpr std::chrono::milliseconds kLookExpecting{5};
constexpr std::chrono::milliseconds kLookIdle{300};

// Held while a board polls its devices and calls handlers; recursive, so
// that a handler may unregister. A child of fork() starts with a new one:
// a thread of the parent may have held it.
std::recursive_mutex* dispatchLock = new std::recursive_mutex;

// A registration as it was when a poll of its device began.
bool ExpectedSame(const SrqRegistration& before, const SrqRegistration& now) {
  return before.expecting && now.expecting && before.expectation == now.expectation;
}

// How the thread learns of requests: by waiting for the line on a board
// descriptor of its own (found by the board's name in gpib.conf), so that its
// time-out is not the one of the board index, which the program's own
// board-level calls use; by looking at the board (a board configured without
// a name); or, without a readable gpib.conf, by waiting on the board index.
struct BoardAccess {
  int ownDescriptor = -1;
  bool look = false;
};

BoardAccess Access(int board) {
  const GpibCalls* gpib = Gpib();
  const std::optional<gpibconf::GpibBoards> boards = gpibconf::ReadInstalled();
  if (!gpib || !boards || !boards->count(board)) return {};
  if (boards->at(board).empty()) return {-1, true};
  const int descriptor = gpib->ibfind(boards->at(board).c_str());
  if (descriptor >= 0) gpib->ibtmo(descriptor, kWaitTimeoutCode);
  return {descriptor, false};
}

class Watcher {
public:
  explicit Watcher(int board) : board_(board), access_(Access(board)), thread_([this] { Run(); }) {}
  ~Watcher() {
    {
      std::lock_guard guard(lock_);
      stop_ = true;
    }
    changed_.notify_all();
    // Only at unload: the own descriptor stays with the process, as the GPIB
    // library may already be finalised.
    thread_.join();
  }
  void Wake() {
    {
      std::lock_guard guard(lock_);
      woken_ = true;
    }
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
  // Sleeps until the next look at the board, or until the registrations
  // change (a handshake begins); false when the watcher stops meanwhile.
  bool Rest() {
    std::unique_lock guard(lock_);
    const std::vector<SrqRegistration> registrations = RegistrationsOn(board_);
    const bool expected = std::any_of(registrations.begin(), registrations.end(),
                                      [](const SrqRegistration& registration) { return registration.expecting; });
    changed_.wait_for(guard, expected ? kLookExpecting : kLookIdle, [this] { return stop_ || woken_; });
    woken_ = false;
    return !stop_;
  }
  // Whether the board polls its devices itself (then the line never shows);
  // a library that cannot tell is taken as one that does not.
  bool Autopolling(const GpibCalls& gpib) const {
    int on = 0;
    return access_.ownDescriptor >= 0 && !(gpib.ibask(access_.ownDescriptor, kAskAutopoll, &on) & kErr) && on != 0;
  }

  // Serial-polls every device registered on the board whose request may be
  // waiting: all after the service-request line was seen (lineSet), else
  // those that show RQS (a board that polls automatically has queued their
  // byte and cleared the line). Each address is polled once; its byte goes
  // to every registration of that address that expected a request before the
  // poll began. True when a device had requested service.
  bool PollDevices(const GpibCalls& gpib, bool lineSet) {
    std::lock_guard guard(*dispatchLock);
    bool requested = false;
    std::vector<SrqRegistration> registrations = RegistrationsOn(board_);
    std::set<std::pair<int, int>> polled;
    for (const SrqRegistration& first : registrations) {
      if (!polled.insert({first.pad, first.sad}).second) continue;
      if (!FindRegistration(first.handle)) continue;  // unregistered by a handler meanwhile
      if (!lineSet && !(gpib.ibwait(first.pollDescriptor, 0) & kRqs)) continue;
      std::vector<SrqRegistration> before;  // this address's, before the poll
      for (const SrqRegistration& registration : RegistrationsOn(board_))
        if (registration.pad == first.pad && registration.sad == first.sad) before.push_back(registration);
      char statusByte = 0;
      if (gpib.ibrsp(first.pollDescriptor, &statusByte) & kErr) {
        SetLastError(kPollFailed);
        continue;
      }
      const int status = static_cast<unsigned char>(statusByte);
      if (!(status & kRequestService)) continue;
      requested = true;
      bool delivered = false;
      for (const SrqRegistration& then : before) {
        const std::optional<SrqRegistration> now = FindRegistration(then.handle);
        if (!now || !ExpectedSame(then, *now)) continue;
        delivered = true;
        now->handler(now->context, status);
      }
      if (!delivered) SetLastError(kUnexpectedRequest);
    }
    return requested;
  }

  // Looks at the board: the line, and each device's RQS (a board that polls
  // automatically has queued their bytes and cleared the line).
  void Look(const GpibCalls& gpib) {
    short lines = 0;
    const bool lineSet = !(gpib.iblines(board_, &lines) & kErr) && (lines & kValidSrq) && (lines & kBusSrq);
    PollDevices(gpib, lineSet);
  }

  void Run() {
    const GpibCalls* gpib = Gpib();
    bool looking = access_.look;
    while (AwaitWork()) {
      if (!gpib) {
        SetLastError(kGpibUnusable);
        if (!Pause()) break;
        continue;
      }
      if (looking) {
        Look(*gpib);
        if (!Rest()) break;
        looking = access_.look || Autopolling(*gpib);
        continue;
      }
      // On the board index (shared with whoever else uses the board) the
      // time-out is set before every wait: a wait must stay short enough to stop.
      const int descriptor = access_.ownDescriptor >= 0 ? access_.ownDescriptor : board_;
      if (access_.ownDescriptor < 0) gpib->ibtmo(board_, kWaitTimeoutCode);
      const int status = gpib->ibwait(descriptor, kSrqi | kTimo);
      if (status & kErr) {
        SetLastError(kGpibUnusable);
        if (!Pause()) break;
        continue;
      }
      // Time-outs too: with automatic polling the line never shows. The
      // thread then looks at the board, so that a handshake need not wait
      // for the end of a wait.
      const bool lineSet = (status & kSrqi) != 0;
      if (!lineSet && Autopolling(*gpib)) looking = true;
      if (!PollDevices(*gpib, lineSet) && lineSet && !Pause()) break;
    }
  }

  const int board_;
  const BoardAccess access_;
  std::mutex lock_;
  std::condition_variable changed_;
  bool stop_ = false;
  bool woken_ = false;
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

void WakeBoard(int board) {
  if (board < 0 || board >= kBoards) return;
  std::lock_guard guard(watchersLock);
  if (const std::unique_ptr<Watcher>& watcher = Watchers()[static_cast<size_t>(board)]) watcher->Wake();
}

void WaitForDispatch() { std::lock_guard guard(*dispatchLock); }

DispatchGuard::DispatchGuard() { dispatchLock->lock(); }
DispatchGuard::~DispatchGuard() { dispatchLock->unlock(); }

namespace {
// fork(): the child has none of the parent's threads. It forgets their
// watchers without joining them (a new registration starts its own) and
// takes new locks; the registrations stay, so that it can unregister them.
void BeforeFork() {
  watchersLock.lock();
  LockRegistry();
}
void AfterForkInParent() {
  UnlockRegistry();
  watchersLock.unlock();
}
void AfterForkInChild() {
  UnlockRegistry();
  watchersLock.unlock();
  // Kept where they can be reached, never destroyed: a watcher's thread
  // object would wait for a thread that this process does not have.
  static auto* forgotten = new std::vector<Watcher*>;
  static auto* abandoned = new std::vector<std::recursive_mutex*>;
  for (std::unique_ptr<Watcher>& watcher : Watchers())
    if (watcher) forgotten->push_back(watcher.release());
  abandoned->push_back(dispatchLock);
  dispatchLock = new std::recursive_mutex;
}
[[maybe_unused]] const bool forkHandled = (ProcessInfo::AtFork(BeforeFork, AfterForkInParent, AfterForkInChild), true);
}  // namespace

int CountRequestingBoards() {
  const GpibCalls* gpib = Gpib();
  if (!gpib) {
    SetLastError(kGpibUnusable);
    return -1;
  }
  // Only configured boards: linux-gpib complains on stderr about any other.
  // Without a readable gpib.conf every index is tried.
  const std::optional<gpibconf::GpibBoards> configured = gpibconf::ReadInstalled();
  int answered = 0, requesting = 0;
  for (int board = 0; board < kBoards; ++board) {
    if (configured && !configured->count(board)) continue;
    short lines = 0;
    if (gpib->iblines(board, &lines) & kErr) continue;  // not a configured board
    ++answered;
    if ((lines & kValidSrq) && (lines & kBusSrq)) ++requesting;
  }
  if (answered == 0) SetLastError(kGpibUnusable);
  return answered == 0 ? -1 : requesting;
}

}  // namespace gpibsrq
