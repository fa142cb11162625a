#pragma once
// Interrupts the calling thread (or the given threads of this process) with
// SIGALRM at a fixed period while it lives, as a host's profiler or interval
// timer does. The handler only counts and is installed without SA_RESTART,
// so every blocking system call of those threads returns early with EINTR; a
// wait that starts again with its whole time-out after that would never end,
// so the storm stops by itself after `lastingMs` and such a wait ends late
// instead of hanging the test. The handler stays installed afterwards: a
// signal still on its way must not find the default action.
#include <signal.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdint>
#include <vector>

class SignalStorm {
public:
  SignalStorm(long periodMs, long lastingMs, std::vector<pid_t> threads = {gettid()}) {
    delivered_ = 0;
    count_ = std::min(threads.size(), timers_.size());
    limit_ = static_cast<int>(lastingMs / periodMs * static_cast<long>(count_));
    struct sigaction action {};
    action.sa_handler = [](int) {
      if (++delivered_ < limit_) return;
      const itimerspec stop{};
      for (size_t i = 0; i < count_; ++i) timer_settime(timers_[i], 0, &stop, nullptr);  // async-signal-safe
    };
    sigemptyset(&action.sa_mask);
    sigaction(SIGALRM, &action, nullptr);
    const timespec period{periodMs / 1000, (periodMs % 1000) * 1'000'000};
    const itimerspec every{period, period};
    for (size_t i = 0; i < count_; ++i) {
      sigevent event{};
      event.sigev_notify = SIGEV_THREAD_ID;
      event.sigev_signo = SIGALRM;
      event._sigev_un._tid = threads[i];
      timer_create(CLOCK_MONOTONIC, &event, &timers_[i]);
      timer_settime(timers_[i], 0, &every, nullptr);
    }
  }
  ~SignalStorm() {
    for (size_t i = 0; i < count_; ++i) timer_delete(timers_[i]);
  }
  SignalStorm(const SignalStorm&) = delete;
  SignalStorm& operator=(const SignalStorm&) = delete;

  // Signals handled since the storm began.
  static int Delivered() { return delivered_; }

private:
  static inline std::atomic<int> delivered_{0};
  static inline int limit_ = 0;
  static inline std::array<timer_t, 4> timers_{};
  static inline size_t count_ = 0;
};
