#pragma once
// Where a piece of code was loaded from: the shared library (or program) that
// contains an address, and how it came into the process.
#include <string>

class LibraryImage {
public:
  // Full path of the file that contains `address` (the program's path when
  // the address lies in the program itself).
  static std::string PathOf(const void* address);
  // The load address of the library (or program) that contains `address`.
  static const void* BaseOf(const void* address);
  // Keeps the library that contains `address` loaded until the process ends.
  static bool Pin(const void* address);
  // True when `address` lies in a shared library rather than in the program.
  static bool InSharedLibrary(const void* address);
  // True when the program names the library containing `address` among the
  // libraries it needs, so that it was loaded at program start (not by dlopen).
  static bool LoadedWithProgram(const void* address);
};
