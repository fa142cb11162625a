// Time-outs given in seconds (from files and hosts) become the millisecond
// counts of the system calls without overflow: a value too large for the
// call waits as long as the call can, never for ever, and one that is not a
// number does not wait.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <limits>

#include "platform/Clock.h"

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
