// The Wattex switch when its instrument is gone or nothing is configured:
// events that send nothing open no connection and read nothing, empty lists
// open nothing, and a failed check still has the text of its status.
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <memory>

#include "framework/DeviceDriverBase.h"
#include "interface/DeviceTypeRegistry.h"
#include "streams/StreamTestSupport.h"
#include "support/TestFiles.h"

namespace {
// A loopback TCP port: listening (connections wait in its queue and are
// never answered) or only bound (connections are refused).
class LoopbackPort {
public:
  explicit LoopbackPort(bool listening) {
    fd_ = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    if (bind(fd_, reinterpret_cast<sockaddr*>(&address), size) != 0 ||
        getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &size) != 0 || (listening && listen(fd_, 8) != 0))
      ADD_FAILURE() << "loopback port";
    port_ = ntohs(address.sin_port);
  }
  ~LoopbackPort() { close(fd_); }
  int Port() const { return port_; }
  // Whether a connection came (and takes it).
  bool Connected() {
    const int accepted = accept(fd_, nullptr, nullptr);
    if (accepted < 0) return false;
    close(accepted);
    return true;
  }

private:
  int fd_ = -1;
  int port_ = 0;
};

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

std::string Text(DeviceDriverBase& driver, uint32_t status) {
  char buffer[512] = "unchanged";
  uint32_t count = 0;
  driver.GetErrorString(0, status, buffer, sizeof buffer, &count);
  return std::string(buffer, count);
}
}  // namespace

TEST(WattexWithoutInstrument, EventsThatSendNothingOpenNothing) {
  TestDirectory dir;
  LoopbackPort instrument(true);
  auto driver = Wattex(dir, instrument.Port());
  for (uint32_t event : {SWM_EVENT_FrequencyChanged, SWM_EVENT_MeasuringForwardPower, SWM_EVENT_InitialisationStarted,
                         SWM_EVENT_TestStopped}) {
    EXPECT_EQ(Event(*driver, event), 0u) << event;
    EXPECT_FALSE(instrument.Connected()) << "event " << event << " reached the instrument";
  }
}

TEST(WattexWithoutInstrument, EmptyListsOnARefusedPortSucceed) {
  TestDirectory dir;
  LoopbackPort refused(false);
  auto driver = Wattex(dir, refused.Port());
  EXPECT_EQ(Event(*driver, SWM_EVENT_InitialisationStarted), 0u);
  EXPECT_EQ(Event(*driver, SWM_EVENT_TestStopped), 0u);
  EXPECT_EQ(Event(*driver, SWM_EVENT_FrequencyChanged), 0u);
}

TEST(WattexWithoutInstrument, CommandsThatAreSentStillReachTheInstrument) {
  TestDirectory dir;
  LoopbackPort refused(false);
  auto driver = Wattex(dir, refused.Port(), "onFrequencyChanged=F __freq__\nDuringTest=A\n");
  const uint32_t during = Event(*driver, SWM_EVENT_InitialisationStarted);
  EXPECT_NE(during, 0u);
  EXPECT_NE(Event(*driver, SWM_EVENT_FrequencyChanged), 0u);
  EXPECT_NE(Text(*driver, during), "");
}

TEST(WattexWithoutInstrument, FailedCheckHasTheTextOfItsStatus) {
  TestDirectory dir;
  LoopbackPort refused(false);
  auto driver = Wattex(dir, refused.Port());
  const uint32_t checked = driver->CheckDevice(0);
  ASSERT_NE(checked, 0u);
  const std::string text = Text(*driver, checked);
  EXPECT_NE(text, "");
  const uint32_t initialised = driver->InitDevice(0);
  EXPECT_EQ(initialised, checked);
  EXPECT_EQ(Text(*driver, initialised), text);
  driver->DeInitDevice(0);
  EXPECT_EQ(Text(*driver, checked), text) << "after the stream was released";
}
