#pragma once
// Time keeping with sub-millisecond resolution, and waits that are precise
// for short gaps without burning a processor on long ones.
//
// The counter is the monotonic clock in nanoseconds. Wait and WaitMicroseconds
// never return early. Up to kMaxPreciseWaitMilliseconds the microsecond loop
// sleeps in 10 ms steps while more than 20 ms are left, then sleeps until
// kSpinMarginMicroseconds are left and spins the rest. Longer waits, and every
// wait without the counter, poll the millisecond clock instead: 10 ms sleeps
// while 21 ms or more are left, 1 ms sleeps down to 4 ms, then spinning.
#include <cstdint>

class Timing {
public:
  static constexpr uint32_t kMaxPreciseWaitMilliseconds = 600000;
  // Time left at which the microsecond loop stops sleeping and spins: covers
  // the wake-up latency of a sleep, so that the end is met precisely.
  static constexpr uint64_t kSpinMarginMicroseconds = 150;

  Timing();
  virtual ~Timing() = default;

  // Waits at least the given milliseconds.
  virtual void Wait(uint32_t milliseconds) const;
  // The performance counter (ticks of Frequency() per second).
  virtual void ReadCounter(int64_t* counter) const;

  // Milliseconds since an arbitrary start, wrapping at 32 bits.
  uint32_t Now() const;
  uint32_t Elapsed(uint32_t since) const { return Now() - since; }
  // Milliseconds left of a timeout started at `since`; 0 once it has passed.
  uint32_t Remaining(uint32_t since, uint32_t timeout) const {
    const uint32_t elapsed = Elapsed(since);
    return elapsed >= timeout ? 0 : timeout - elapsed;
  }
  // Waits at least the given microseconds.
  void WaitMicroseconds(uint64_t microseconds) const;

  bool HighResolution() const { return highResolution_; }
  int64_t StartCounter() const { return startCounter_; }
  // Counter ticks per second, shared by the whole process.
  static int64_t Frequency();
  // The distance between two counter readings in microseconds (truncated).
  static uint64_t MicrosecondsBetween(int64_t from, int64_t to);
  // Whether Wait(milliseconds) runs the microsecond loop (else the millisecond loop).
  static bool UsesMicrosecondLoop(bool highResolution, uint32_t milliseconds) {
    return highResolution && milliseconds <= kMaxPreciseWaitMilliseconds;
  }

protected:
  // A timing over a clock of the derived class: ReadCounter, MillisecondClock,
  // Pause and Relax are then that class's.
  Timing(bool highResolution, int64_t startCounter, uint32_t baseMilliseconds);

  // Sleeps at least the given time.
  virtual void Pause(uint64_t microseconds) const;
  // One step of a busy wait.
  virtual void Relax() const;
  // The coarse millisecond clock used without the counter.
  virtual uint32_t MillisecondClock() const;

private:
  void WaitMilliseconds(uint32_t milliseconds) const;

  bool highResolution_ = false;
  uint32_t baseMilliseconds_ = 0;
  int64_t startCounter_ = 0;
};
