#pragma once
// Interrupts the calling thread with SIGALRM at a fixed period while it
// lives, as a host's profiler or interval timer does. The handler only counts
// and is installed without SA_RESTART, so every blocking system call of that
// thread returns early with EINTR; a wait that starts again with its whole
// time-out after that would never end, so the storm stops by itself after
// `lastingMs` and such a wait ends late instead of hanging the test.
#include <signal.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>

class SignalStorm {
public:
  SignalStorm(long periodMs, long lastingMs) {
    delivered_ = 0;
    limit_ = static_cast<int>(lastingMs / periodMs);
    struct sigaction action {};
    action.sa_handler = [](int) {
      if (++delivered_ < limit_) return;
      const itimerspec stop{};
      timer_settime(timer_, 0, &stop, nullptr);  // async-signal-safe
    };
    sigemptyset(&action.sa_mask);
    sigaction(SIGALRM, &action, &previous_);
    sigevent event{};
    event.sigev_notify = SIGEV_THREAD_ID;
    event.sigev_signo = SIGALRM;
    event._sigev_un._tid = gettid();
    timer_create(CLOCK_MONOTONIC, &event, &timer_);
    const timespec period{periodMs / 1000, (periodMs % 1000) * 1'000'000};
    const itimerspec every{period, period};
    timer_settime(timer_, 0, &every, nullptr);
  }
  ~SignalStorm() {
    timer_delete(timer_);
    sigaction(SIGALRM, &previous_, nullptr);
  }
  SignalStorm(const SignalStorm&) = delete;
  SignalStorm& operator=(const SignalStorm&) = delete;

  // Signals handled since the storm began.
  static int Delivered() { return delivered_; }

private:
  static inline std::atomic<int> delivered_{0};
  static inline int limit_ = 0;
  static inline timer_t timer_{};
  struct sigaction previous_ {};
};
