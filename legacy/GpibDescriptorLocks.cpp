#include "legacy/GpibDescriptorLocks.h"

#include <array>

#include "platform/ProcessInfo.h"

namespace gpiblocks {
namespace {
// linux-gpib's table size: every descriptor has a lock of its own (another
// library's larger numbers share theirs, which only serialises more).
constexpr size_t kDescriptors = 4096;
}  // namespace

std::mutex& DescriptorLock(int descriptor) {
  static std::array<std::mutex, kDescriptors> locks;
  return locks[static_cast<size_t>(descriptor) % kDescriptors];
}

std::mutex& TableLock() {
  static std::mutex lock;
  return lock;
}

namespace {
// A child of fork() gets the lock free: unregistering at its exit must not
// wait for a thread it does not have.
[[maybe_unused]] const bool forkHandled =
    (ProcessInfo::AtFork([] { TableLock().lock(); }, [] { TableLock().unlock(); }, [] { TableLock().unlock(); }),
     true);
}  // namespace

}  // namespace gpiblocks
