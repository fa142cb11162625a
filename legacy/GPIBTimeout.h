#pragma once
// NI-488.2 time-out codes (1 to 17) and their durations.
#include <cstdint>

namespace gpibtimeout {

constexpr int kDefaultCode = 13;  // 10 s
constexpr int kLargestCode = 17;

// A code outside 1..17 becomes the default code.
constexpr int Normalised(int code) { return code >= 1 && code <= kLargestCode ? code : kDefaultCode; }

// The milliseconds of a code (of the default code when it is outside 1..17).
constexpr uint32_t Milliseconds(int code) {
  constexpr uint32_t kTable[kLargestCode + 1] = {0,     1,     1,      1,      1,      1,
                                                 3,     10,    30,     100,    300,    1000,
                                                 3000,  10000, 30000,  100000, 300000, 1000000};
  return kTable[Normalised(code)];
}

// The shortest code that waits at least the given time (the longest code for more).
constexpr int CodeFor(uint32_t milliseconds) {
  for (int code = 1; code <= kLargestCode; ++code)
    if (Milliseconds(code) >= milliseconds) return code;
  return kLargestCode;
}

}  // namespace gpibtimeout
