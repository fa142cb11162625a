#pragma once
// The simulator's single event loop: descriptors watched with poll, timers,
// and deferred work. Every method except Run must be called with the
// simulator lock held; Run takes that lock itself around each dispatch round.
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

#include "sim/transport/Poller.h"

namespace sim {

class EventLoop {
public:
  using Clock = std::chrono::steady_clock;
  using FdCallback = std::function<void(unsigned ready)>;
  using Task = std::function<void()>;

  explicit EventLoop(std::recursive_mutex& lock) : lock_(lock) {}

  // Watches fd for the given transport::PollEvents; returns a watch id.
  int Watch(int fd, unsigned wanted, FdCallback callback);
  void SetWanted(int watchId, unsigned wanted);
  // Stops watching. From another thread it also waits until the loop has left
  // a poll in progress: a socket closed while poll holds it would live on
  // (a closed listener would still accept) until that poll returned.
  void Unwatch(int watchId);

  // Runs task once, delayMs from now; returns a timer id.
  int After(uint32_t delayMs, Task task);
  int At(Clock::time_point when, Task task);
  void Cancel(int timerId);
  // Runs task after the current dispatch round (for work that must not run
  // inside the callback that asks for it, such as deleting its owner).
  void Defer(Task task) { At(Clock::time_point::min(), std::move(task)); }

  // Dispatches until RequestStop; call from the loop thread only, without the lock.
  void Run();
  void RequestStop();
  bool InLoopThread() const { return std::this_thread::get_id() == loopThread_; }

private:
  struct Watched {
    int fd;
    unsigned wanted;
    FdCallback callback;
  };
  void WakeFromOtherThread();
  void WaitUntilNotPolling();
  int TimeoutMs() const;
  void RunDueTimers();

  std::recursive_mutex& lock_;
  transport::Poller poller_;
  std::map<int, Watched> watches_;
  std::multimap<Clock::time_point, int> timerOrder_;
  std::map<int, std::pair<Clock::time_point, Task>> timers_;
  int nextId_ = 1;
  bool stopping_ = false;
  std::thread::id loopThread_;
  std::mutex pollStateLock_;
  std::condition_variable pollStateChanged_;
  bool polling_ = false;
};

}  // namespace sim
