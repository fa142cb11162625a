#pragma once
// linux-gpib's descriptors are not safe between threads: a call that locks
// the board asserts that no other call holds its descriptor (and aborts the
// process otherwise), and its descriptor table has no lock. Every library
// call of the module therefore holds the lock of its descriptor, and taking
// or giving back descriptors (ibfind, ibdev, ibonl off line, and the
// service-request library's registrations, which do the same) holds the
// table's lock. Both are process-wide, as descriptors are.
#include <mutex>

namespace gpiblocks {

std::mutex& DescriptorLock(int descriptor);
std::mutex& TableLock();

}  // namespace gpiblocks
