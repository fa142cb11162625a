#pragma once
// Tells watchers outside the simulator lock (the web view) that the bench
// changed: a count that goes up with every change, and a wait for it to pass
// a value. Announcing costs a short lock of its own and never wakes anyone
// while nobody waits, so the instruments do not slow down for it.
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>

namespace sim {

class ChangeNotice {
public:
  void Announce() {
    std::lock_guard guard(lock_);
    ++count_;
    if (waiters_) changed_.notify_all();
  }
  uint64_t Count() {
    std::lock_guard guard(lock_);
    return count_;
  }
  // Waits until the count differs from seen, or stop() holds (checked on
  // every wake-up, so WakeAll after setting a stop flag ends the wait), or the
  // time-out passes; returns the count.
  template <class Stop>
  uint64_t WaitPast(uint64_t seen, std::chrono::milliseconds timeout, Stop stop) {
    std::unique_lock guard(lock_);
    ++waiters_;
    changed_.wait_for(guard, timeout, [&] { return count_ != seen || stop(); });
    --waiters_;
    return count_;
  }
  void WakeAll() {
    std::lock_guard guard(lock_);
    changed_.notify_all();
  }

private:
  std::mutex lock_;
  std::condition_variable changed_;
  uint64_t count_ = 0;
  int waiters_ = 0;
};

}  // namespace sim
