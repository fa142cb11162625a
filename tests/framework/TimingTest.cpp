#include "framework/Timing.h"

#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <vector>

namespace {
// A Timing over a clock that moves only when the wait sleeps or spins, so that
// the loops can be followed step by step without waiting.
class SteppedClockTiming : public Timing {
public:
  SteppedClockTiming(bool highResolution, uint32_t baseMilliseconds = 0,
                     uint64_t pauseOvershootMicroseconds = 0, uint64_t relaxMicroseconds = 1)
      : Timing(highResolution, 0, baseMilliseconds),
        base_(baseMilliseconds),
        overshoot_(pauseOvershootMicroseconds),
        relaxStep_(relaxMicroseconds) {}

  void ReadCounter(int64_t* counter) const override { *counter = nanoseconds_; }
  void Advance(uint64_t microseconds) const { nanoseconds_ += static_cast<int64_t>(microseconds * 1000); }
  uint64_t ElapsedMicroseconds() const { return static_cast<uint64_t>(nanoseconds_ / 1000); }

  mutable std::map<uint64_t, uint64_t> pauses;  // length in µs -> how often
  mutable uint64_t relaxes = 0;

protected:
  void Pause(uint64_t microseconds) const override {
    ++pauses[microseconds];
    Advance(microseconds + overshoot_);
  }
  void Relax() const override {
    ++relaxes;
    Advance(relaxStep_);
  }
  uint32_t MillisecondClock() const override {
    return base_ + static_cast<uint32_t>(nanoseconds_ / 1000000);
  }

private:
  mutable int64_t nanoseconds_ = 0;
  uint32_t base_;
  uint64_t overshoot_, relaxStep_;
};

constexpr uint64_t kMargin = Timing::kSpinMarginMicroseconds;
}  // namespace

TEST(Timing, ChoosesTheMillisecondLoopBeyondTenMinutesOrWithoutCounter) {
  struct Case {
    bool highResolution;
    uint32_t milliseconds;
    bool microsecondLoop;
  };
  const Case cases[] = {
      {true, 0, true},       {true, 1, true},        {true, 600000, true},
      {true, 600001, false}, {true, 700000, false},  {true, 0xFFFFFFFF, false},
      {false, 0, false},     {false, 5, false},      {false, 600000, false},
  };
  for (const Case& c : cases)
    EXPECT_EQ(Timing::UsesMicrosecondLoop(c.highResolution, c.milliseconds), c.microsecondLoop)
        << c.highResolution << " " << c.milliseconds;
}

// Follows each wait through its bands: how many sleeps of each length and how
// much spinning the loop does, and that it ends exactly on time (a wait of 0 at once).
TEST(Timing, WaitsSleepInBandsAndSpinTheEnd) {
  struct Case {
    const char* what;
    bool highResolution;
    bool microseconds;  // WaitMicroseconds instead of Wait
    uint64_t length;
    std::map<uint64_t, uint64_t> pauses;
    uint64_t spunMicroseconds;
  };
  const Case cases[] = {
      // 700 s: millisecond loop although the counter exists.
      {"700000 ms", true, false, 700000, {{10000, 69998}, {1000, 17}}, 3000},
      // 600 s: the microsecond loop, down to 20 ms, one sleep to the margin.
      {"600000 ms", true, false, 600000, {{10000, 59998}, {20000 - kMargin, 1}}, kMargin},
      // 21 ms or more left ("more than 20 whole ms") sleeps 10 ms first.
      {"25 ms", true, false, 25, {{10000, 1}, {15000 - kMargin, 1}}, kMargin},
      {"21 ms", true, true, 21000, {{10000, 1}, {11000 - kMargin, 1}}, kMargin},
      {"20.999 ms", true, true, 20999, {{20999 - kMargin, 1}}, kMargin},
      {"3 ms", true, true, 3000, {{3000 - kMargin, 1}}, kMargin},
      {"margin+1", true, true, kMargin + 1, {{1, 1}}, kMargin},
      {"margin", true, true, kMargin, {}, kMargin},
      {"1 us", true, true, 1, {}, 1},
      {"0 us", true, true, 0, {}, 0},
      {"0 ms", true, false, 0, {}, 0},
      // Without the counter: whole milliseconds, 1 ms sleeps down to 4 ms left.
      {"no counter 30 ms", false, false, 30, {{10000, 1}, {1000, 17}}, 3000},
      {"no counter 5 ms", false, false, 5, {{1000, 2}}, 3000},
      {"no counter 2500 us", false, true, 2500, {}, 2000},
      {"no counter 0 ms", false, false, 0, {}, 0},
      {"no counter 0 us", false, true, 0, {}, 0},
  };
  for (const Case& c : cases) {
    SteppedClockTiming timing(c.highResolution);
    if (c.microseconds)
      timing.WaitMicroseconds(c.length);
    else
      timing.Wait(static_cast<uint32_t>(c.length));
    uint64_t slept = 0;
    for (const auto& [length, count] : timing.pauses) slept += length * count;
    EXPECT_EQ(timing.pauses, c.pauses) << c.what;
    EXPECT_EQ(timing.relaxes, c.spunMicroseconds) << c.what;
    EXPECT_EQ(timing.ElapsedMicroseconds(), slept + c.spunMicroseconds) << c.what;
  }
}

TEST(Timing, NeverReturnsEarlyWhenSleepsWakeLate) {
  const uint64_t lengths[] = {1, 99, 149, 150, 151, 999, 1000, 3000, 4001, 20000, 20999, 21000, 123456};
  for (uint64_t overshoot : {0u, 37u, 140u}) {
    for (uint64_t length : lengths) {
      SteppedClockTiming timing(true, 0, overshoot, 3);
      timing.WaitMicroseconds(length);
      // A late wake-up stays within the spin margin, so the end is met within one spin step.
      EXPECT_GE(timing.ElapsedMicroseconds(), length) << overshoot << " " << length;
      EXPECT_LT(timing.ElapsedMicroseconds(), length + 3) << overshoot << " " << length;
    }
  }
}

TEST(Timing, NowElapsedAndRemainingFollowTheCounterAndWrap) {
  struct Case {
    uint32_t base;
    uint64_t advanceMicroseconds;
    uint32_t timeout;
    uint32_t now;
    uint32_t remaining;
  };
  const Case cases[] = {
      {0, 0, 100, 0, 100},
      {0, 999, 100, 0, 100},  // truncated to whole milliseconds
      {0, 1000, 100, 1, 99},
      {0, 99999, 100, 99, 1},
      {0, 100000, 100, 100, 0},
      {0, 250000, 100, 250, 0},  // long past: 0, never negative
      {1000, 5500, 10, 1005, 5},
      {0xFFFFFFF0, 20000, 30, 4, 10},  // the millisecond count wraps
      {0xFFFFFFF0, 40000, 30, 24, 0},
  };
  for (bool highResolution : {true, false}) {
    for (const Case& c : cases) {
      SteppedClockTiming timing(highResolution, c.base);
      const uint32_t since = timing.Now();
      EXPECT_EQ(since, c.base);
      timing.Advance(c.advanceMicroseconds);
      EXPECT_EQ(timing.Now(), c.now) << highResolution << " " << c.base << "+" << c.advanceMicroseconds;
      EXPECT_EQ(timing.Elapsed(since), c.now - c.base);
      EXPECT_EQ(timing.Remaining(since, c.timeout), c.remaining)
          << highResolution << " " << c.base << "+" << c.advanceMicroseconds;
    }
  }
}

TEST(Timing, MicrosecondsBetweenCounterReadings) {
  struct Case {
    int64_t from, to;
    uint64_t microseconds;
  };
  const Case cases[] = {
      {0, 0, 0},
      {0, 999, 0},
      {0, 1000, 1},
      {1000, 0, 1},  // either order
      {-5000, 5000, 10},
      {0, int64_t{1} << 62, (uint64_t{1} << 62) / 1000},  // no overflow on large spans
      {INT64_MIN + 1, INT64_MAX, UINT64_MAX / 1000},
  };
  for (const Case& c : cases)
    EXPECT_EQ(Timing::MicrosecondsBetween(c.from, c.to), c.microseconds) << c.from << " " << c.to;
}

TEST(Timing, SystemClockHasTheCounterAndTheProcessWideFrequency) {
  Timing timing;
  EXPECT_TRUE(timing.HighResolution());
  EXPECT_EQ(Timing::Frequency(), 1000000000);
  int64_t first = 0, second = 0;
  timing.ReadCounter(&first);
  timing.ReadCounter(&second);
  EXPECT_GE(second, first);
  EXPECT_GE(first, timing.StartCounter());
}

TEST(Timing, RealWaitsLastAtLeastTheirLength) {
  using Clock = std::chrono::steady_clock;
  const Timing timing;
  for (uint64_t microseconds : {0u, 100u, 1500u, 4500u, 25000u}) {
    const auto start = Clock::now();
    timing.WaitMicroseconds(microseconds);
    EXPECT_GE(Clock::now() - start, std::chrono::microseconds(microseconds)) << microseconds;
  }
  const uint32_t since = timing.Now();
  const auto start = Clock::now();
  timing.Wait(3);
  EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(3));
  EXPECT_GE(timing.Elapsed(since), 3u);
}
