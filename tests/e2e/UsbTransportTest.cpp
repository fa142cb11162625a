// A configurable switch (the Wattex switch) on the "USB" transport, through
// the module's exports: the instrument is found by its identifier among the
// FTDI ports of a fake sysfs tree whose ttys are pseudo-terminals of the
// simulator, then checked and switched over its port; with no such
// instrument the check fails with the USB status and its text. The saved
// file keeps the transport and the identifier.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "sim/core/Simulator.h"
#include "streams/FakeSysfs.h"
#include "support/LoadedModule.h"
#include "support/TestFiles.h"

namespace {
constexpr auto kWait = std::chrono::seconds(10);

std::string TempDirectory() {
  std::string pattern = testing::TempDir() + "swm-usb-XXXXXX";
  if (!mkdtemp(pattern.data())) ADD_FAILURE() << "mkdtemp failed";
  return pattern;
}

TEST(UsbTransportE2e, ASwitchFindsItsInstrumentByIdentifierChecksAndSwitchesIt) {
  const std::string directory = TempDirectory();
  FakeSysfs sysfs(directory + "/root");
  sim::Simulator simulator;
  sim::Instrument& other = simulator.Add(
      "other", {{"family", "programmable"}, {"transport", "pty"}, {"answer", "ID_NUMBER? -> 1.1.1.1.1.1.1.1"}});
  sim::Instrument& wattex = simulator.Add("wattex", {{"family", "programmable"},
                                                     {"transport", "pty"},
                                                     {"answer", "ID_NUMBER? -> ID 7.7.7.7.7.7.7.7"},
                                                     {"answer", "*IDN? -> SWMSIM,WATTEX,0,1.0"}});
  sysfs.AddUsbTty("ttyUSB0", "0403", "6001", other.Endpoint().device);
  sysfs.AddUsbTty("ttyUSB1", "0403", "6001", wattex.Endpoint().device);
  const std::string ini = directory + "/wattex.ini";
  std::ofstream(ini) << "[SwitchMatrix.Stream Config]\nSelected=USB\n"
                        "[SwitchMatrix.Stream Config.USBDeviceStream]\nDeviceID=7.7.7.7.7.7.7.7\n"
                        "[SwitchMatrix.ConfigurableDeviceDriverBase]\nGetID=*IDN?\nReturnedID=SWMSIM,WATTEX\n"
                        "TimeOutTimeSeconds=1\n[SwitchMatrix]\nDuringTest=PATH A1\nAfterTest=PATH:RESET\n";

  swm::Module& m = LoadedModule();
  uint16_t id = 0;
  ASSERT_EQ(m.CreateNewDeviceDriver(0, "KOVALEXWTXSWITCH", &id), DRV_OK);
  ASSERT_EQ(m.LoadConfiguration(0, id, ini.c_str()), DRV_OK);
  ASSERT_EQ(m.CheckDevice(0, id), DRV_OK);
  ASSERT_EQ(m.InitDevice(0, id), DRV_OK);
  uint32_t event = 3;
  double value = 0;
  ASSERT_EQ(m.SetValue(0, id, 1500, &event, &value), DRV_OK);
  event = 2;
  ASSERT_EQ(m.SetValue(0, id, 1500, &event, &value), DRV_OK);
  const std::string expected = "ID_NUMBER?\r\n*IDN?\nID_NUMBER?\r\nPATH A1\nPATH:RESET\n";
  ASSERT_TRUE(wattex.WaitForBytes(expected.size(), kWait));
  EXPECT_EQ(wattex.ReceivedBytes(), expected);
  EXPECT_EQ(other.ReceivedBytes(), "ID_NUMBER?\r\nID_NUMBER?\r\n");
  ASSERT_EQ(m.DeInitDevice(0, id), DRV_OK);

  const std::string saved = directory + "/saved.ini";
  ASSERT_EQ(m.SaveConfiguration(0, id, saved.c_str()), DRV_OK);
  const std::string text = ReadFile(saved);
  EXPECT_NE(text.find("[SwitchMatrix.Stream Config]\nSelected=USB\n"), std::string::npos) << text;
  EXPECT_NE(text.find("[SwitchMatrix.Stream Config.USBDeviceStream]\nDeviceID=7.7.7.7.7.7.7.7\n"), std::string::npos);

  // The instrument with that identifier is unplugged: the check says so.
  std::filesystem::remove(directory + "/root/dev/ttyUSB1");
  const uint32_t status = m.CheckDevice(0, id);
  EXPECT_EQ(status, 0x30005B01u);
  EXPECT_EQ(m.ErrorText(id, status), "USB: no attached FTDI serial port answers with the configured device identifier.");
  m.RemoveDeviceDriver(0, id);
  simulator.Stop();
  std::filesystem::remove_all(directory);
}

}  // namespace
