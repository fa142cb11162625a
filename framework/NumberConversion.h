#pragma once
// Doubles from the host or an instrument as integers, without overflow:
// NaN becomes 0 and values beyond the range clamp to its ends (a plain cast
// of such a value is undefined).
#include <cmath>
#include <cstdint>

// Truncated toward zero to 32 bits.
inline long TruncatedToInt32(double value) {
  if (std::isnan(value)) return 0;
  const double truncated = std::trunc(value);
  if (truncated >= 2147483647.0) return 2147483647L;
  if (truncated <= -2147483648.0) return -2147483647L - 1;
  return static_cast<long>(truncated);
}

// Seconds as whole milliseconds of a 32-bit time-out: negative or NaN give 0,
// anything beyond the range the largest.
inline uint32_t MillisecondsOf(double seconds) {
  const double milliseconds = seconds * 1000.0;
  if (!(milliseconds >= 0.0)) return 0;
  if (milliseconds >= 4294967295.0) return 0xFFFFFFFF;
  return static_cast<uint32_t>(milliseconds);
}
