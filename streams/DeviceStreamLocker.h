#pragma once
// Holds the lock of a stream (or of a client's stream) for a scope: Lock
// remembers each success, the destructor unlocks once for each.
#include <cstdint>

#include "framework/Status.h"

template <class S>
class DeviceStreamLocker {
public:
  DeviceStreamLocker(S& stream, uint32_t hostContext) : stream_(stream), hostContext_(hostContext) {}
  ~DeviceStreamLocker() { Unlock(); }
  DeviceStreamLocker(const DeviceStreamLocker&) = delete;
  DeviceStreamLocker& operator=(const DeviceStreamLocker&) = delete;

  Status Lock(double seconds) {
    const Status status = stream_.Lock(hostContext_, seconds);
    if (status == 0) ++locks_;
    return status;
  }
  void Unlock() {
    for (; locks_ > 0; --locks_) stream_.Unlock(hostContext_);
  }
  bool IsLocked() const { return locks_ > 0; }

private:
  S& stream_;
  uint32_t hostContext_;
  uint32_t locks_ = 0;
};
