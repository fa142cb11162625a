#pragma once
// Waits on many descriptors at once (poll), and can be woken from another thread.
#include <vector>

#include "sim/transport/FileDescriptor.h"

namespace sim::transport {

enum PollEvents : unsigned {
  kReadable = 1,
  kWritable = 2,
  kHangup = 4,
  kFailed = 8,  // error or invalid descriptor
};

struct PollEntry {
  int fd = -1;
  unsigned wanted = 0;  // kReadable and/or kWritable
  unsigned ready = 0;   // filled in by Wait
};

class Poller {
public:
  Poller();

  // Blocks until an entry is ready, Wake is called, or timeoutMs passes (-1: no limit).
  // Returns early, with nothing ready, when a signal interrupts the wait.
  void Wait(std::vector<PollEntry>& entries, int timeoutMs);
  // Makes a Wait in progress (or the next one) return at once. Safe from any thread.
  void Wake();

private:
  FileDescriptor wake_;
};

}  // namespace sim::transport
