// Values from a careless host: event numbers that are not numbers of the
// integer kind, and a request whose answer buffer holds no text yet.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>

#include "framework/HostEvents.h"
#include "framework/SwitchMatrixBase.h"
#include "logging/LogReceiver.h"

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

TEST(HostValues, RequestForATextNeverReadsTheAnswerBufferBeforeFillingIt) {
  LogReceiver log;
  SwitchMatrixBase matrix;
  // One byte, not a text: the request may only write it.
  auto buffer = std::make_unique<char[]>(1);
  buffer[0] = 'X';
  uint32_t request = SWM_REQUEST_RetrievePilotInterfaceData;
  EXPECT_EQ(matrix.GetValue(0, SWM_VALUE_REQUEST, &request, buffer.get()), 0u);
  EXPECT_EQ(buffer[0], '\0');
  const auto records = log.Take(2);
  ASSERT_EQ(records.size(), 2u);
  EXPECT_NE(records[0].find("HandleRequest(RetrievePilotInterfaceData"), std::string::npos) << records[0];
}
