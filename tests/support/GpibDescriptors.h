#pragma once
// The descriptor that a new ibdev on a board gets from the simulated GPIB
// library of the build tree: the lowest free entry of its table, so it moves
// when something keeps a descriptor. The library is the one the module
// loaded (the same file is the same library in a process).
#include <dlfcn.h>

#include <string>

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
