#include "legacy/GpibDescriptorLocks.h"

#include <array>

#include "platform/ProcessInfo.h"

namespace gpiblocks {
namespace {
// linux-gpib's table size: every descriptor has a lock of its own (another
// library's larger numbers share theirs, which only serialises more).
constexpr size_t kDescriptors = 4096;
using Locks = std::array<std::mutex, kDescriptors>;

// Replaced in a child of fork(): a thread of the parent may have held any of
// them, and the child has none of its threads to give them back. The old
// ones are left where they are, never destroyed.
Locks*& DescriptorLocks() {
  static Locks* locks = new Locks;
  return locks;
}
}  // namespace

std::mutex& DescriptorLock(int descriptor) {
  return (*DescriptorLocks())[static_cast<size_t>(descriptor) % kDescriptors];
}

std::mutex& TableLock() {
  static std::mutex lock;
  return lock;
}

namespace {
// The table's lock is held across fork(), so that no descriptor is half
// taken or given back in the child; the descriptors' locks start free there.
[[maybe_unused]] const bool forkHandled = (ProcessInfo::AtFork([] { TableLock().lock(); },
                                                               [] { TableLock().unlock(); },
                                                               [] {
                                                                 TableLock().unlock();
                                                                 DescriptorLocks() = new Locks;
                                                               }),
                                           true);
}  // namespace

}  // namespace gpiblocks
