// The simulator's event loop under signals: a signal interrupts its poll, and
// the loop must then wait only for the time left to its next timer (a poll
// started again with the whole time would never end while signals come more
// often than that).
#include "sim/core/EventLoop.h"

#include <gtest/gtest.h>

#include <chrono>
#include <mutex>

#include "support/SignalStorm.h"

TEST(EventLoop, ATimerFiresOnTimeWhileSignalsArriveEveryTenMilliseconds) {
  using Clock = std::chrono::steady_clock;
  std::recursive_mutex lock;
  sim::EventLoop loop(lock);
  const Clock::time_point start = Clock::now();
  Clock::time_point fired{};
  {
    std::lock_guard guard(lock);
    loop.After(100, [&] {
      fired = Clock::now();
      loop.RequestStop();
    });
  }
  {
    SignalStorm storm(10, 3000);  // ends by itself, so that a loop that restarts its waits ends late, not never
    loop.Run();
    EXPECT_GT(SignalStorm::Delivered(), 0);
  }
  EXPECT_LT(fired - start, std::chrono::milliseconds(1500)) << "the timer waited for the signals to stop";
}
