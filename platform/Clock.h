#pragma once
// The monotonic clock, the sleeping primitives and the CPU-time clock.
#include <cstdint>

// Nanosecond ticks of the monotonic clock; false when it cannot be read.
bool ReadMonotonicCounter(int64_t* ticks);
constexpr int64_t kMonotonicFrequency = 1'000'000'000;
// Milliseconds of the monotonic clock, for machines without the counter.
uint32_t MonotonicMilliseconds();

// Time-out conversions that never overflow. Seconds to milliseconds: values
// that are no number or not above 0 give 0, values beyond 32 bits the
// largest. A wait left in milliseconds to poll's int: 0 to INT_MAX (a longer
// wait is made of several polls).
uint32_t MillisecondsFromSeconds(double seconds);
int PollMilliseconds(int64_t milliseconds);

void SleepMilliseconds(uint32_t milliseconds);
// Sleeps at least the given time (restarted after signals). The calling
// thread's timer slack is lowered on its first sleep, see below.
void SleepMicroseconds(uint64_t microseconds);
// Gives up the rest of the time slice (returns at once when nothing else runs).
void YieldTimeSlice();
// One step of a busy wait: a CPU pause hint, no system call.
void CpuRelax();

// The timer slack the first SleepMicroseconds of a thread sets for that thread:
// the kernel may end a sleep this much later than asked, to batch wake-ups.
constexpr uint64_t kFineTimerSlackNanoseconds = 1000;
// Sets the calling thread's timer slack; false when the kernel refuses.
bool SetThreadTimerSlack(uint64_t nanoseconds);
// The calling thread's timer slack in nanoseconds, or -1 when it cannot be read.
int64_t ThreadTimerSlack();

// CPU time used by the whole process so far, in nanoseconds.
int64_t ProcessCpuTimeNanoseconds();
