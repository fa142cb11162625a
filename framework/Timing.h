#pragma once
// Time keeping with sub-millisecond resolution, and waits that are precise
// for short gaps without burning a processor on long ones.
#include <cstdint>

class Timing {
public:
  Timing();
  virtual ~Timing() = default;

  // Milliseconds since an arbitrary start, wrapping at 32 bits.
  uint32_t Now() const;
  uint32_t Elapsed(uint32_t since) const { return Now() - since; }
  uint32_t Remaining(uint32_t since, uint32_t timeout) const {
    const uint32_t elapsed = Elapsed(since);
    return elapsed >= timeout ? 0 : timeout - elapsed;
  }
  virtual void Wait(uint32_t milliseconds) const;
  void WaitMicroseconds(uint64_t microseconds) const;
  virtual void ReadCounter(int64_t* counter) const;

  bool HighResolution() const { return highResolution_; }
  static int64_t Frequency();

private:
  bool highResolution_ = false;
  uint32_t baseMilliseconds_ = 0;
  int64_t startCounter_ = 0;
};
