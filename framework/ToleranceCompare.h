#pragma once
// Comparison of doubles with a relative tolerance; an exact zero on either
// side makes the difference absolute, so no non-zero value equals zero
// unless it is within the tolerance itself.
#include <algorithm>
#include <cmath>

// Returns 0 when a and b are equal within the tolerance, -1 when a < b, 1 when a > b.
inline int ToleranceCompare(double a, double b, double tolerance = 1e-8) {
  if (a == b) return 0;
  double d = std::fabs(a - b);
  if (a != 0.0 && b != 0.0) d /= std::max(std::fabs(a), std::fabs(b));
  if (d <= tolerance) return 0;
  return a > b ? 1 : -1;
}

inline bool ToleranceEqual(double a, double b, double tolerance = 1e-8) {
  return ToleranceCompare(a, b, tolerance) == 0;
}
