#pragma once
// Comparison of doubles with a relative tolerance. An exact zero is special:
// no relative scale exists there, and a non-zero value never equals zero
// (so a host flag set to 1e-12 counts as on).
#include <algorithm>
#include <cmath>

// Returns 0 when a and b are equal within the tolerance, -1 when a < b, 1 when a > b.
inline int ToleranceCompare(double a, double b, double tolerance = 1e-8) {
  if (a == b) return 0;
  if (a != 0.0 && b != 0.0) {
    const double d = std::fabs(a - b) / std::max(std::fabs(a), std::fabs(b));
    if (d <= tolerance) return 0;
  }
  return a > b ? 1 : -1;
}

inline bool ToleranceEqual(double a, double b, double tolerance = 1e-8) {
  return ToleranceCompare(a, b, tolerance) == 0;
}
