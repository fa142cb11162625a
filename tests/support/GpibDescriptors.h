#pragma once
// The descriptor that a new ibdev on a board gets from the simulated GPIB
// library of the build tree: the lowest free entry of its table, so it moves
// when something keeps a descriptor. The library is the one the module
// loaded (the same file is the same library in a process).
#include <dlfcn.h>

#include <algorithm>
#include <string>
#include <vector>

#include "support/TestFiles.h"

inline int NextGpibDescriptor(int board = 0) {
  void* library = dlopen(SimulatedLibrary("libgpib.so.0").c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!library) return -2;
  auto ibdev = reinterpret_cast<int (*)(int, int, int, int, int, int)>(dlsym(library, "ibdev"));
  auto ibonl = reinterpret_cast<int (*)(int, int)>(dlsym(library, "ibonl"));
  const int descriptor = ibdev(board, 30, 0, 11, 1, 0);
  if (descriptor >= 0) ibonl(descriptor, 0);
  dlclose(library);
  return descriptor;
}

// How many entries below `limit` of that table are taken (by the module, the
// service-request library or anyone else in the process). Entries are freed
// in any order, so the table may have holes below the next free one: a test
// compares this count with one it took at its own start.
inline int GpibDescriptorsInUse(int board = 0, int limit = 256) {
  void* library = dlopen(SimulatedLibrary("libgpib.so.0").c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!library) return -2;
  auto ibdev = reinterpret_cast<int (*)(int, int, int, int, int, int)>(dlsym(library, "ibdev"));
  auto ibonl = reinterpret_cast<int (*)(int, int)>(dlsym(library, "ibonl"));
  std::vector<int> taken;  // the free entries below the limit, then one at or above it
  for (int descriptor = 0; descriptor < limit;) {
    descriptor = ibdev(board, 30, 0, 11, 1, 0);
    if (descriptor < 0) break;
    taken.push_back(descriptor);
  }
  const auto freeBelow = std::count_if(taken.begin(), taken.end(), [&](int descriptor) { return descriptor < limit; });
  for (int descriptor : taken) ibonl(descriptor, 0);
  dlclose(library);
  return limit - static_cast<int>(freeBelow);
}
