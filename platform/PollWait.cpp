#include "platform/PollWait.h"

#include <poll.h>
#include <time.h>

#include <cerrno>
#include <climits>

namespace {
int64_t NowNanoseconds() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<int64_t>(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}
}  // namespace

int PollWithin(int fd, short events, int64_t timeoutMs, short* revents) {
  const int64_t deadline = NowNanoseconds() + (timeoutMs > 0 ? timeoutMs : 0) * 1'000'000;
  for (;;) {
    // Whole milliseconds, rounded up so that the wait never ends early.
    const int64_t left = deadline - NowNanoseconds();
    pollfd entry{fd, events, 0};
    const int64_t milliseconds = left > 0 ? (left + 999'999) / 1'000'000 : 0;
    const int ready = poll(&entry, 1, milliseconds >= INT_MAX ? INT_MAX : static_cast<int>(milliseconds));
    if (ready > 0) {
      if (revents) *revents = entry.revents;
      return 1;
    }
    if (ready < 0 && errno != EINTR) return -1;
    // Time-out, or a signal: go on while time is left (a wait longer than
    // one poll can take ends here too).
    if (deadline - NowNanoseconds() <= 0) return 0;
  }
}
