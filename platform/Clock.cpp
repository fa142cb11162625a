#include "platform/Clock.h"

#include <climits>

#include <sched.h>
#include <sys/prctl.h>
#include <time.h>

#include <cerrno>

bool ReadMonotonicCounter(int64_t* ticks) {
  timespec now{};
  if (clock_gettime(CLOCK_MONOTONIC, &now) != 0) return false;
  *ticks = static_cast<int64_t>(now.tv_sec) * kMonotonicFrequency + now.tv_nsec;
  return true;
}

uint32_t MonotonicMilliseconds() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<uint32_t>(static_cast<uint64_t>(now.tv_sec) * 1000 + now.tv_nsec / 1000000);
}

namespace {
// Sleeps until a point of the monotonic clock, so that signals, which end
// a sleep early, neither shorten nor lengthen it.
void SleepFor(timespec duration) {
  timespec end{};
  clock_gettime(CLOCK_MONOTONIC, &end);
  end.tv_sec += duration.tv_sec;
  end.tv_nsec += duration.tv_nsec;
  if (end.tv_nsec >= 1'000'000'000) {
    end.tv_nsec -= 1'000'000'000;
    ++end.tv_sec;
  }
  while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &end, nullptr) == EINTR) {
  }
}
}  // namespace

void SleepMilliseconds(uint32_t milliseconds) {
  if (milliseconds == 0) {
    sched_yield();
    return;
  }
  SleepFor({static_cast<time_t>(milliseconds / 1000), static_cast<long>(milliseconds % 1000) * 1000000L});
}

void SleepMicroseconds(uint64_t microseconds) {
  // The default slack (50 µs) would make every short sleep end late; a thread
  // that asks for microsecond sleeps gets a fine slack once.
  thread_local bool slackSet = false;
  if (!slackSet) {
    SetThreadTimerSlack(kFineTimerSlackNanoseconds);
    slackSet = true;
  }
  SleepFor({static_cast<time_t>(microseconds / 1000000),
            static_cast<long>(microseconds % 1000000) * 1000L});
}

void YieldTimeSlice() { sched_yield(); }

void CpuRelax() {
#if defined(__x86_64__) || defined(__i386__)
  __builtin_ia32_pause();
#elif defined(__aarch64__)
  asm volatile("yield");
#endif
}

bool SetThreadTimerSlack(uint64_t nanoseconds) {
  return prctl(PR_SET_TIMERSLACK, static_cast<unsigned long>(nanoseconds), 0, 0, 0) == 0;
}

int64_t ThreadTimerSlack() { return prctl(PR_GET_TIMERSLACK, 0, 0, 0, 0); }

int64_t ProcessCpuTimeNanoseconds() {
  timespec used{};
  if (clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &used) != 0) return 0;
  return static_cast<int64_t>(used.tv_sec) * 1000000000LL + used.tv_nsec;
}

uint32_t MillisecondsFromSeconds(double seconds) {
  const double milliseconds = seconds * 1000.0;
  if (!(milliseconds > 0.0)) return 0;
  if (milliseconds >= 4294967295.0) return UINT32_MAX;
  return static_cast<uint32_t>(milliseconds);
}

int PollMilliseconds(int64_t milliseconds) {
  if (milliseconds <= 0) return 0;
  return milliseconds >= INT_MAX ? INT_MAX : static_cast<int>(milliseconds);
}
