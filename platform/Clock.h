#pragma once
// The monotonic clock and the sleeping primitives.
#include <cstdint>

// Nanosecond ticks of the monotonic clock; false when it cannot be read.
bool ReadMonotonicCounter(int64_t* ticks);
constexpr int64_t kMonotonicFrequency = 1'000'000'000;
// Milliseconds of the monotonic clock, for machines without the counter.
uint32_t MonotonicMilliseconds();
void SleepMilliseconds(uint32_t milliseconds);
void YieldTimeSlice();
