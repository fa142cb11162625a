#pragma once
// poll() of one descriptor that keeps to its time even while signals arrive:
// a signal handler interrupts poll with EINTR, and the wait then goes on
// only for the time that is left (restarting it with the whole time would
// never end under a signal that comes more often than the time-out).
#include <cstdint>

// Waits up to timeoutMs (below 0: not at all) for events on fd. Returns 1
// with *revents set when they came, 0 when the time passed, -1 with errno
// on a failure.
int PollWithin(int fd, short events, int64_t timeoutMs, short* revents = nullptr);
