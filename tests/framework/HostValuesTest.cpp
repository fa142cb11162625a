// Values from a careless host: event values that are no number or do not
// fit the integer they are shown as.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "framework/HostEvents.h"

TEST(HostValues, EventValuesOutsideTheIntegerRangeAreShownWithoutOverflow) {
  const double inf = std::numeric_limits<double>::infinity();
  // Event 15 carries a device number: shown as an integer.
  ASSERT_EQ(FindHostEvent(15)->display, EventValueDisplay::Integer);
  EXPECT_EQ(HostEventValueText(15, 42.9), "42");
  EXPECT_EQ(HostEventValueText(15, std::nan("")), "nan");
  EXPECT_EQ(HostEventValueText(15, inf), "inf");
  EXPECT_EQ(HostEventValueText(15, -inf), "-inf");
  EXPECT_EQ(HostEventValueText(15, 1e300), "9223372036854775807");
  EXPECT_EQ(HostEventValueText(15, -1e300), "-9223372036854775808");
  EXPECT_EQ(HostEventValueText(7, 1e300), "1e+300");
}
