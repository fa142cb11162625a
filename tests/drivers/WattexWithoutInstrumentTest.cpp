// The Wattex switch when its instrument is gone or nothing is configured:
// events that send nothing open no connection and read nothing, empty lists
// succeed, and what fails keeps the text of its status.
#include <gtest/gtest.h>

#include <memory>

#include "framework/DeviceDriverBase.h"
#include "interface/DeviceTypeRegistry.h"
#include "streams/StreamTestSupport.h"
#include "support/DriverErrorText.h"
#include "support/LoopbackPort.h"
#include "support/TestFiles.h"

namespace {
// The switch on a loopback port with a 2 s time-out and the given commands.
std::unique_ptr<DeviceDriverBase> Wattex(const TestDirectory& dir, int port, const std::string& commands = "") {
  EnsureWxRuntime();
  const std::string path = dir.File("wattex.ini");
  WriteFile(path, "[SwitchMatrix]\n" + commands + "[SwitchMatrix.ConfigurableDeviceDriverBase]\nTimeOutTimeSeconds=2\n"
                  "[SwitchMatrix.Stream Config]\nSelected=TCPIP\n[SwitchMatrix.Stream Config.Ethernet]\nAddress=127.0.0.1:" +
                      std::to_string(port) + "\n");
  std::unique_ptr<DeviceDriverBase> driver = CreateDeviceDriver("KOVALEXWTXSWITCH");
  EXPECT_EQ(driver->LoadConfiguration(0, path.c_str()), 0u);
  return driver;
}

uint32_t Event(DeviceDriverBase& driver, uint32_t event, double value = 100.0) {
  return driver.SetValue(0, SWM_VALUE_EVENT, &event, &value);
}
}  // namespace

TEST(WattexWithoutInstrument, EventsThatSendNothingOpenNothing) {
  TestDirectory dir;
  LoopbackPort instrument(LoopbackPort::kListening);
  auto driver = Wattex(dir, instrument.Port());
  for (uint32_t event : {SWM_EVENT_FrequencyChanged, SWM_EVENT_MeasuringForwardPower, SWM_EVENT_InitialisationStarted,
                         SWM_EVENT_TestStopped}) {
    EXPECT_EQ(Event(*driver, event), 0u) << event;
    EXPECT_FALSE(instrument.Connected()) << "event " << event << " reached the instrument";
  }
}

// On a refused port empty lists succeed; the check, and a command that is
// sent, fail with a status that keeps its text after the stream is released.
TEST(WattexWithoutInstrument, OnARefusedPortOnlyWhatIsSentFailsWithItsText) {
  TestDirectory dir;
  LoopbackPort refused(LoopbackPort::kRefusing);
  auto empty = Wattex(dir, refused.Port());
  for (uint32_t event : {SWM_EVENT_InitialisationStarted, SWM_EVENT_TestStopped, SWM_EVENT_FrequencyChanged})
    EXPECT_EQ(Event(*empty, event), 0u) << "an empty list, event " << event;
  const uint32_t checked = empty->CheckDevice(0);
  ASSERT_NE(checked, 0u);
  const std::string text = DriverErrorText(*empty, checked);
  EXPECT_NE(text, "");
  EXPECT_EQ(empty->InitDevice(0), checked);
  EXPECT_EQ(DriverErrorText(*empty, checked), text) << "after the initialisation";
  empty->DeInitDevice(0);
  EXPECT_EQ(DriverErrorText(*empty, checked), text) << "after the stream was released";

  auto sending = Wattex(dir, refused.Port(), "onFrequencyChanged=F __freq__\nDuringTest=A\n");
  const uint32_t during = Event(*sending, SWM_EVENT_InitialisationStarted);
  EXPECT_NE(during, 0u);
  EXPECT_NE(DriverErrorText(*sending, during), "");
  EXPECT_NE(Event(*sending, SWM_EVENT_FrequencyChanged), 0u);
}
