// A configurable switch (the Wattex switch) on the "USB" transport, through
// the module's exports: the instrument is found by its identifier among the
// FTDI ports of a fake sysfs tree whose ttys are pseudo-terminals of the
// simulator, then checked and switched over its port; with no such
// instrument the check fails with the USB status and its text. The saved
// file keeps the transport and the identifier.
#include <gtest/gtest.h>

#include <filesystem>

#include "InstrumentBench.h"
#include "streams/FakeSysfs.h"

TEST(UsbTransportE2e, ASwitchFindsItsInstrumentByIdentifierChecksAndSwitchesIt) {
  InstrumentBench bench(Wire::kTcp);  // the instruments are on pseudo-terminals of their own
  FakeSysfs sysfs(bench.File("root"));
  sim::Instrument& other = bench.Add(
      "other", {{"family", "programmable"}, {"transport", "pty"}, {"answer", "ID_NUMBER? -> 1.1.1.1.1.1.1.1"}});
  sim::Instrument& wattex = bench.Add("wattex", {{"family", "programmable"},
                                                 {"transport", "pty"},
                                                 {"answer", "ID_NUMBER? -> ID 7.7.7.7.7.7.7.7"},
                                                 {"answer", "*IDN? -> SWMSIM,WATTEX,0,1.0"}});
  sysfs.AddUsbTty("ttyUSB0", "0403", "6001", other.Endpoint().device);
  sysfs.AddUsbTty("ttyUSB1", "0403", "6001", wattex.Endpoint().device);
  ModuleDriver driver("KOVALEXWTXSWITCH",
                      bench.Write("wattex.ini",
                                  "[SwitchMatrix.Stream Config]\nSelected=USB\n"
                                  "[SwitchMatrix.Stream Config.USBDeviceStream]\nDeviceID=7.7.7.7.7.7.7.7\n"
                                  "[SwitchMatrix.ConfigurableDeviceDriverBase]\nGetID=*IDN?\nReturnedID=SWMSIM,WATTEX\n"
                                  "TimeOutTimeSeconds=1\n[SwitchMatrix]\nDuringTest=PATH A1\nAfterTest=PATH:RESET\n"));
  swm::Module& m = driver.m;
  const uint16_t id = driver.id;
  ASSERT_EQ(m.CheckDevice(0, id), DRV_OK);
  ASSERT_EQ(m.InitDevice(0, id), DRV_OK);
  ASSERT_EQ(driver.Event(3), DRV_OK);
  ASSERT_EQ(driver.Event(2), DRV_OK);
  const std::string expected = "ID_NUMBER?\r\n*IDN?\nID_NUMBER?\r\nPATH A1\nPATH:RESET\n";
  ASSERT_TRUE(wattex.WaitForBytes(expected.size(), std::chrono::seconds(10)));
  EXPECT_EQ(wattex.ReceivedBytes(), expected);
  EXPECT_EQ(other.ReceivedBytes(), "ID_NUMBER?\r\nID_NUMBER?\r\n");
  ASSERT_EQ(m.DeInitDevice(0, id), DRV_OK);

  const std::string saved = bench.File("saved.ini");
  ASSERT_EQ(m.SaveConfiguration(0, id, saved.c_str()), DRV_OK);
  const std::string text = ReadFile(saved);
  EXPECT_NE(text.find("[SwitchMatrix.Stream Config]\nSelected=USB\n"), std::string::npos) << text;
  EXPECT_NE(text.find("[SwitchMatrix.Stream Config.USBDeviceStream]\nDeviceID=7.7.7.7.7.7.7.7\n"), std::string::npos);

  // The instrument with that identifier is unplugged: the check says so.
  std::filesystem::remove(bench.File("root/dev/ttyUSB1"));
  const uint32_t status = m.CheckDevice(0, id);
  EXPECT_EQ(status, 0x30005B01u);
  EXPECT_EQ(m.ErrorText(id, status), "USB: no attached FTDI serial port answers with the configured device identifier.");
}
