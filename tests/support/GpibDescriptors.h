#pragma once
// The descriptor table of the simulated GPIB library of the build tree, the
// library the module loaded (the same file is the same library in a
// process): ibdev takes its lowest free entry.
#include <algorithm>
#include <string>
#include <vector>

#include "support/LibrarySymbols.h"
#include "support/TestFiles.h"

struct GpibDescriptorCalls : LibrarySymbols {
  GpibDescriptorCalls() : LibrarySymbols(SimulatedLibrary("libgpib.so.0")) {}
  int (*ibdev)(int, int, int, int, int, int) = Function("ibdev");
  int (*ibonl)(int, int) = Function("ibonl");
  int Take(int board) const { return ibdev(board, 30, 0, 11, 1, 0); }
};

// The descriptor a new ibdev on the board gets, so it moves when something
// keeps a descriptor.
inline int NextGpibDescriptor(int board = 0) {
  const GpibDescriptorCalls gpib;
  const int descriptor = gpib.Take(board);
  if (descriptor >= 0) gpib.ibonl(descriptor, 0);
  return descriptor;
}

// How many entries below `limit` are taken (by the module, the
// service-request library or anyone else in the process). Entries are freed
// in any order, so the table may have holes below the next free one: a test
// compares this count with one it took at its own start.
inline int GpibDescriptorsInUse(int board = 0, int limit = 256) {
  const GpibDescriptorCalls gpib;
  std::vector<int> taken;  // the free entries below the limit, then one at or above it
  for (int descriptor = 0; descriptor < limit;) {
    descriptor = gpib.Take(board);
    if (descriptor < 0) break;
    taken.push_back(descriptor);
  }
  const auto freeBelow = std::count_if(taken.begin(), taken.end(), [&](int descriptor) { return descriptor < limit; });
  for (int descriptor : taken) gpib.ibonl(descriptor, 0);
  return limit - static_cast<int>(freeBelow);
}
