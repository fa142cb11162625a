#include "platform/Clock.h"

#include <gtest/gtest.h>

#include <chrono>
#include <climits>
#include <cmath>
#include <limits>
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

// Time-outs given in seconds (from files and hosts) become the millisecond
// counts of the system calls without overflow: a value too large for the
// call waits as long as the call can, never for ever, and one that is not a
// number does not wait.
TEST(TimeoutConversion, SecondsBecomeMillisecondsWithinTheRange) {
  const double inf = std::numeric_limits<double>::infinity();
  EXPECT_EQ(MillisecondsFromSeconds(2.5), 2500u);
  EXPECT_EQ(MillisecondsFromSeconds(0.0004), 0u);
  EXPECT_EQ(MillisecondsFromSeconds(-3), 0u);
  EXPECT_EQ(MillisecondsFromSeconds(std::nan("")), 0u);
  EXPECT_EQ(MillisecondsFromSeconds(-inf), 0u);
  EXPECT_EQ(MillisecondsFromSeconds(3e6), 3'000'000'000u);
  EXPECT_EQ(MillisecondsFromSeconds(1e300), UINT32_MAX);
  EXPECT_EQ(MillisecondsFromSeconds(inf), UINT32_MAX);
}

TEST(TimeoutConversion, PollWaitsNeverBecomeNegative) {
  // 2.5e6 s is past what poll takes in an int: it would wrap to a negative wait (for ever).
  EXPECT_EQ(PollMilliseconds(2'500'000'000LL), INT_MAX);
  EXPECT_EQ(PollMilliseconds(int64_t{UINT32_MAX} + 5), INT_MAX);
  EXPECT_EQ(PollMilliseconds(1500), 1500);
  EXPECT_EQ(PollMilliseconds(-20), 0);
}
