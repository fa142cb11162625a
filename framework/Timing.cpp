#include "framework/Timing.h"

#include <atomic>
#include <cstdlib>

#include "platform/Clock.h"

namespace {
std::atomic<int64_t> counterFrequency{0};

uint64_t MicrosecondsBetween(int64_t from, int64_t to, int64_t frequency) {
  const uint64_t ticks = static_cast<uint64_t>(std::llabs(to - from));
  return ticks / static_cast<uint64_t>(frequency) * 1000000u +
         ticks % static_cast<uint64_t>(frequency) * 1000000u / static_cast<uint64_t>(frequency);
}
}  // namespace

Timing::Timing() {
  int64_t counter = 0;
  highResolution_ = ReadMonotonicCounter(&counter);
  if (highResolution_) {
    startCounter_ = counter;
    counterFrequency = kMonotonicFrequency;
  }
  baseMilliseconds_ = MonotonicMilliseconds();
}

int64_t Timing::Frequency() { return counterFrequency; }

uint32_t Timing::Now() const {
  if (!highResolution_) return MonotonicMilliseconds();
  int64_t counter = 0;
  ReadCounter(&counter);
  return baseMilliseconds_ +
         static_cast<uint32_t>(MicrosecondsBetween(startCounter_, counter, Frequency()) / 1000);
}

void Timing::ReadCounter(int64_t* counter) const { ReadMonotonicCounter(counter); }

void Timing::Wait(uint32_t milliseconds) const {
  if (highResolution_ && milliseconds <= 600000) {
    WaitMicroseconds(static_cast<uint64_t>(milliseconds) * 1000);
    return;
  }
  const uint32_t end = Now() + milliseconds;
  for (;;) {
    const uint32_t now = Now();
    const uint32_t remaining = end > now ? end - now : 0;
    if (remaining == 0) break;
    if (remaining >= 21)
      SleepMilliseconds(10);
    else if (remaining > 3)
      YieldTimeSlice();
  }
}

void Timing::WaitMicroseconds(uint64_t microseconds) const {
  if (!highResolution_) {
    Wait(static_cast<uint32_t>(microseconds / 1000));
    return;
  }
  int64_t start = 0;
  ReadCounter(&start);
  for (;;) {
    int64_t now = 0;
    ReadCounter(&now);
    const uint64_t elapsed = MicrosecondsBetween(start, now, Frequency());
    if (elapsed >= microseconds) break;
    const uint64_t remaining = microseconds - elapsed;
    if (remaining / 1000 > 20)
      SleepMilliseconds(10);
    else if (remaining / 1000 > 3)
      YieldTimeSlice();
  }
}
