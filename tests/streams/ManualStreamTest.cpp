// The manual transport: two drivers in manual mode share its one lock, so
// that with SWMATRIX_MESSAGEBOX set their instructions are printed one driver
// after the other, each ending with the send terminator; nothing can be read
// and there is nothing to configure.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <future>
#include <thread>

#include "streams/DeviceStreamLocker.h"
#include "streams/StreamTestSupport.h"
#include "streams/manual/ManualDeviceStreamConfiguration.h"
#include "support/MessageBoxRecorder.h"
#include "support/ScopedVariable.h"

namespace {
std::string Box(const std::string& instruction) {
  return "swmatrix message box \"Manual instructions\" answered ok:\n" + instruction + "\n";
}
}  // namespace

TEST(ManualStream, TwoDriversShowTheirInstructionsOneAfterTheOther) {
  EnsureWxRuntime();
  SetMessageBoxHandler({});
  ScopedVariable unattended("SWMATRIX_MESSAGEBOX", "ok");
  StreamLockCleanup cleanup("MANUAL");
  StreamTestDriver first, second;
  for (StreamTestDriver* driver : {&first, &second}) {
    ASSERT_EQ(driver->client.Manager().AddStreamConfiguration("Manual"), 0u);
    driver->client.Manager().SetDefaultTypeName("Manual");
    ASSERT_EQ(driver->client.ConnectStream(0, true), 0u);
  }
  ASSERT_EQ(first.client.TransportStream(), second.client.TransportStream());
  EXPECT_TRUE(first.client.TransportStream()->GetLockName().ends_with(L":DS:MANUAL"));
  std::string answer;
  EXPECT_EQ(first.client.Read(0, answer, 10), 0x300000CBu);

  const auto instruct = [](StreamTestDriver& driver, char who, std::promise<void>* started) {
    DeviceStreamLocker<DeviceStreamClientWithStream> locker(driver.client, 0);
    ASSERT_EQ(locker.Lock(10.0), 0u);
    for (int step = 1; step <= 3; ++step) {
      const std::string text = std::string("Driver ") + who + ": connect cable " + std::to_string(step) +
                               "\nthen press OK";
      ASSERT_EQ(driver.client.Write(0, text, false), 0u);
      if (step == 1 && started) started->set_value();
    }
  };
  testing::internal::CaptureStderr();
  std::promise<void> firstStarted;
  std::thread a(instruct, std::ref(first), 'A', &firstStarted);
  firstStarted.get_future().wait();
  std::thread b(instruct, std::ref(second), 'B', nullptr);
  a.join();
  b.join();
  std::string expected;
  for (char who : {'A', 'B'})
    for (int step = 1; step <= 3; ++step)
      expected += Box(std::string("Driver ") + who + ": connect cable " + std::to_string(step) + "\nthen press OK\n");
  EXPECT_EQ(testing::internal::GetCapturedStderr(), expected);

  EXPECT_EQ(first.client.DisconnectStream(0), 0u);
  EXPECT_TRUE(second.client.IsConnected()) << "the second driver still uses it";
  EXPECT_EQ(second.client.DisconnectStream(0), 0u);
}

TEST(ManualStream, HasNothingToConfigure) {
  ManualDeviceStreamConfiguration configuration;
  EXPECT_EQ(configuration.ConfigurationPanelName(), "NoConfig");
  EXPECT_FALSE(configuration < ManualDeviceStreamConfiguration());
  MessageBoxRecorder boxes;
  EXPECT_EQ(configuration.ShowConfigurationDialog(0), 0u);
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_EQ(boxes.boxes[0].text, "This Device Driver cannot be configured");
}
