#include "platform/Clock.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

TEST(Clock, SleepsAtLeastTheTimeAskedAndLowersTheTimerSlack) {
  std::thread([] {
    using Clock = std::chrono::steady_clock;
    for (uint64_t microseconds : {1u, 200u, 2500u}) {
      const auto start = Clock::now();
      SleepMicroseconds(microseconds);
      EXPECT_GE(Clock::now() - start, std::chrono::microseconds(microseconds));
    }
    EXPECT_EQ(ThreadTimerSlack(), static_cast<int64_t>(kFineTimerSlackNanoseconds));
    const auto start = Clock::now();
    SleepMilliseconds(2);
    EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(2));
  }).join();
}

TEST(Clock, CountersMoveForward) {
  int64_t first = 0, second = 0;
  ASSERT_TRUE(ReadMonotonicCounter(&first));
  const uint32_t milliseconds = MonotonicMilliseconds();
  SleepMicroseconds(1500);
  ASSERT_TRUE(ReadMonotonicCounter(&second));
  EXPECT_GE(second - first, 1500000);
  EXPECT_GE(MonotonicMilliseconds() - milliseconds, 1u);

  const int64_t cpuBefore = ProcessCpuTimeNanoseconds();
  volatile uint64_t sink = 0;
  int64_t now = first;
  while (ReadMonotonicCounter(&now) && now - second < 2000000) {
    sink = sink + 1;
    CpuRelax();
  }
  EXPECT_GT(ProcessCpuTimeNanoseconds(), cpuBefore);
}
