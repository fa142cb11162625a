#pragma once
// Holds a Mutex for a scope: Lock remembers success, and the destructor
// unlocks once for every successful Lock.
#include <cstdint>

#include "framework/Mutex.h"

class MutexLocker {
public:
  explicit MutexLocker(Mutex& mutex) : mutex_(mutex) {}
  ~MutexLocker() { Unlock(); }
  MutexLocker(const MutexLocker&) = delete;
  MutexLocker& operator=(const MutexLocker&) = delete;

  Status Lock(uint32_t milliseconds) {
    const Status status = mutex_.Lock(milliseconds);
    if (status == 0) ++locks_;
    return status;
  }
  Status LockSeconds(double seconds) {
    const Status status = mutex_.LockSeconds(seconds);
    if (status == 0) ++locks_;
    return status;
  }
  // Releases every lock taken through this locker.
  void Unlock() {
    for (; locks_ > 0; --locks_) mutex_.Unlock();
  }
  bool IsLocked() const { return locks_ > 0; }

private:
  Mutex& mutex_;
  uint32_t locks_ = 0;
};
