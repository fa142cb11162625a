#include "framework/Timing.h"

#include <atomic>

#include "platform/Clock.h"

namespace {
std::atomic<int64_t> counterFrequency{kMonotonicFrequency};
}  // namespace

Timing::Timing() {
  int64_t counter = 0;
  highResolution_ = ReadMonotonicCounter(&counter);
  if (highResolution_) {
    startCounter_ = counter;
    counterFrequency.store(kMonotonicFrequency, std::memory_order_relaxed);
  }
  baseMilliseconds_ = MonotonicMilliseconds();
}

Timing::Timing(bool highResolution, int64_t startCounter, uint32_t baseMilliseconds)
    : highResolution_(highResolution), baseMilliseconds_(baseMilliseconds), startCounter_(startCounter) {
  counterFrequency.store(kMonotonicFrequency, std::memory_order_relaxed);
}

int64_t Timing::Frequency() { return counterFrequency.load(std::memory_order_relaxed); }

uint64_t Timing::MicrosecondsBetween(int64_t from, int64_t to) {
  // |to - from| * 1e6 / frequency, split so that the product cannot overflow.
  const uint64_t ticks = to >= from ? static_cast<uint64_t>(to) - static_cast<uint64_t>(from)
                                    : static_cast<uint64_t>(from) - static_cast<uint64_t>(to);
  const uint64_t frequency = static_cast<uint64_t>(Frequency());
  return ticks / frequency * 1000000u + ticks % frequency * 1000000u / frequency;
}

uint32_t Timing::Now() const {
  if (!highResolution_) return MillisecondClock();
  int64_t counter = 0;
  ReadCounter(&counter);
  return baseMilliseconds_ + static_cast<uint32_t>(MicrosecondsBetween(startCounter_, counter) / 1000);
}

void Timing::ReadCounter(int64_t* counter) const { ReadMonotonicCounter(counter); }

void Timing::Pause(uint64_t microseconds) const { SleepMicroseconds(microseconds); }

void Timing::Relax() const { CpuRelax(); }

uint32_t Timing::MillisecondClock() const { return MonotonicMilliseconds(); }

void Timing::Wait(uint32_t milliseconds) const {
  if (UsesMicrosecondLoop(highResolution_, milliseconds))
    WaitMicroseconds(static_cast<uint64_t>(milliseconds) * 1000);
  else
    WaitMilliseconds(milliseconds);
}

void Timing::WaitMilliseconds(uint32_t milliseconds) const {
  const uint32_t start = Now();
  for (;;) {
    const uint32_t remaining = Remaining(start, milliseconds);
    if (remaining == 0) break;
    if (remaining >= 21)
      Pause(10000);
    else if (remaining > 3)
      Pause(1000);
    else
      Relax();
  }
}

void Timing::WaitMicroseconds(uint64_t microseconds) const {
  if (!highResolution_) {
    Wait(microseconds / 1000 > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(microseconds / 1000));
    return;
  }
  int64_t start = 0;
  ReadCounter(&start);
  for (;;) {
    int64_t now = 0;
    ReadCounter(&now);
    const uint64_t elapsed = MicrosecondsBetween(start, now);
    if (elapsed >= microseconds) break;
    const uint64_t remaining = microseconds - elapsed;
    if (remaining / 1000 > 20)
      Pause(10000);
    else if (remaining > kSpinMarginMicroseconds)
      Pause(remaining - kSpinMarginMicroseconds);
    else
      Relax();
  }
}
