#include "drivers/debug/DebugSwitchMatrix.h"

#include <gtest/gtest.h>

#include <cstring>

#include "support/MessageBoxRecorder.h"

namespace {
constexpr const char* kEventWarning = "WARNING: Device driver is NOT yet initialized during this event!!!\n";
constexpr const char* kRequestWarning = "WARNING: Device driver is NOT yet initialized during this request!!!\n";

Status SendEvent(DebugSwitchMatrix& driver, uint32_t event, double value, uint32_t hWnd = 7) {
  return driver.SetValue(hWnd, SWM_VALUE_EVENT, &event, &value);
}
}  // namespace

TEST(DebugSwitchMatrix, EventAndRequestTextsFillTheirArgument) {
  struct Case {
    uint32_t event;
    double value;
    const char* expected;
  };
  const Case cases[] = {
      {1, 0, "Received Event: Test Started"},
      {7, 123.5, "Received Event: Frequency Changed to 123.5 MHz"},
      {7, 1e-7, "Received Event: Frequency Changed to 1E-07 MHz"},
      {8, -10, "Received Event: Carrier level Changed to -10 dBm"},
      {15, 3.9, "Received Event: Device driver Check started (device: 3)"},
      {16, -3.9, "Received Event: Device driver Check stopped (device: -3)"},
      {27, 2.999, "Received Event: Measuring AD Convertor (channel: 2)"},
      {35, 4, "Received Event: Field strength sensor (channel: 4) Zero started"},
      {49, 42.5, "Received Event: Antenna is moving. Current progress: 42.5 %"},
      {50, 1.7, "Received Event: Antenna polarization is being changed to: 1"},
      {57, 3, "Received Event: Netto power: 3 dBm"},
      {74, 10, "Received Event: Y Positioner is moving. Current progress: 10 %"},
      {75, 2, "Received Event: Y Positioner started to move to: 2 m"},
      {76, 90, "Received Event: Stirrer started to move to : 90 degrees"},
      {77, 90, "Received Event : Stirrer movement stopped at :  90 degrees"},
      {80, 1, "Received Event: Stirrer stopped rotating"},
      {84, 50, "Received Event: Position positioner is moving. Current progress: 50 %"},
      {0, 0, "Unknown Switch Matrix Event: 0"},
      {85, 0, "Unknown Switch Matrix Event: 85"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(DebugSwitchMatrix::EventText(c.event, c.value, nullptr), c.expected) << c.event;
  EXPECT_EQ(DebugSwitchMatrix::EventText(62, 0, "PILOT-7"), "Received Event: Send Pilot Interface data PILOT-7");
  const char* const requests[] = {"Received Request: Interlock Closed?", "Received Request: Dwell Time Start Ok?",
                                  "Received Request: Dwell Time Stop Ok?", "Received Request: Pilot Interface Data?",
                                  "Unknown Switch Matrix Request: 5"};
  for (uint32_t request = 1; request <= 5; ++request)
    EXPECT_EQ(DebugSwitchMatrix::RequestText(request), requests[request - 1]) << request;
}

TEST(DebugSwitchMatrix, WarnsBeforeInitialisationAndInformsAfter) {
  MessageBoxRecorder boxes;
  DebugSwitchMatrix driver;
  EXPECT_EQ(SendEvent(driver, 7, 123.5), 0u);
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_EQ(boxes.boxes[0].text, std::string(kEventWarning) + "Received Event: Frequency Changed to 123.5 MHz");
  EXPECT_EQ(boxes.boxes[0].type, uint32_t{kMbIconWarning | kMbOkCancel});
  EXPECT_EQ(boxes.boxes[0].owner, 7u);

  EXPECT_EQ(driver.InitDevice(7), 0u);
  EXPECT_TRUE(driver.Initialised());
  EXPECT_EQ(SendEvent(driver, 2, 0), 0u);
  ASSERT_EQ(boxes.boxes.size(), 2u);
  EXPECT_EQ(boxes.boxes[1].text, "Received Event: Test Stopped");
  EXPECT_EQ(boxes.boxes[1].type, uint32_t{kMbIconInformation | kMbOkCancel});

  EXPECT_EQ(driver.DeInitDevice(7), 0u);
  EXPECT_FALSE(driver.Initialised());
}

TEST(DebugSwitchMatrix, CancelFailsTheEventAndStillAnswersTheRequest) {
  MessageBoxRecorder boxes(kIdCancel);
  DebugSwitchMatrix driver;
  EXPECT_EQ(SendEvent(driver, 85, 0), DRV_ERR_USER_CANCELLED);

  uint32_t request = 4;
  char text[8];
  std::memset(text, 'x', sizeof text);
  EXPECT_EQ(driver.GetValue(0, SWM_VALUE_REQUEST, &request, text), DRV_ERR_USER_CANCELLED);
  EXPECT_EQ(text[0], '\0');
  ASSERT_EQ(boxes.boxes.size(), 2u);
  EXPECT_EQ(boxes.boxes[1].text, std::string(kRequestWarning) + "Received Request: Pilot Interface Data?");

  boxes.Answer(kIdOk);
  for (uint32_t r = 1; r <= 3; ++r) {
    uint32_t answer = 0;
    EXPECT_EQ(driver.GetValue(0, SWM_VALUE_REQUEST, &r, &answer), 0u);
    EXPECT_EQ(answer, 1u) << r;
  }
  uint32_t unknown = 9, untouched = 77;
  EXPECT_EQ(driver.GetValue(0, SWM_VALUE_REQUEST, &unknown, &untouched), 0u);
  EXPECT_EQ(untouched, 77u);
  EXPECT_EQ(boxes.boxes.back().text, std::string(kRequestWarning) + "Unknown Switch Matrix Request: 9");
}

TEST(DebugSwitchMatrix, OtherValueIdsReachTheBaseWithoutABox) {
  MessageBoxRecorder boxes;
  DebugSwitchMatrix driver;
  double frequency = 80.5, current = 0;
  EXPECT_EQ(driver.SetValue(0, SWM_VALUE_SET_CW_FREQUENCY, &frequency, nullptr), 0u);
  EXPECT_EQ(driver.GetCurrentFrequency(0, &current), 0u);
  EXPECT_EQ(current, 80.5);
  EXPECT_TRUE(boxes.boxes.empty());
  EXPECT_EQ(driver.CheckDevice(0), 0u);
}

TEST(DebugSwitchMatrix, PilotDataEventReadsATextNotADouble) {
  MessageBoxRecorder boxes;
  DebugSwitchMatrix driver;
  driver.InitDevice(0);
  uint32_t event = 62;
  char pilot[] = "AB";  // shorter than a double: must not be read as one
  EXPECT_EQ(driver.SetValue(0, SWM_VALUE_EVENT, &event, pilot), 0u);
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_EQ(boxes.boxes[0].text, "Received Event: Send Pilot Interface data AB");
}

TEST(DebugSwitchMatrix, ShowConfigurationDialogSaysItCannotBeConfigured) {
  MessageBoxRecorder boxes;
  DebugSwitchMatrix driver;
  EXPECT_EQ(driver.ShowConfigurationDialog(3), 0u);
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_EQ(boxes.boxes[0].text, "This Device Driver cannot be configured");
  EXPECT_EQ(boxes.boxes[0].type, uint32_t{kMbIconInformation});
  EXPECT_EQ(boxes.boxes[0].owner, 3u);
}
