// The USB serial transport: FTDI virtual COM ports found in a fake sysfs
// tree whose ttys are pseudo-terminals of simulated instruments, each asked
// for its identifier; the exchange with the one found, detection, and a
// silent instrument.
#include <gtest/gtest.h>

#include "streams/FakeSysfs.h"
#include "streams/LibraryStreamBench.h"
#include "streams/usb/USBConfigurationPanel.h"
#include "streams/usb/USBDeviceStream.h"
#include "streams/usb/USBDeviceStreamConfiguration.h"
#include "streams/usb/USBZEVODeviceFinder.h"

namespace {
using namespace std::chrono_literals;

struct UsbBench : LibraryStreamBench {
  explicit UsbBench(const std::string& identifier)
      : LibraryStreamBench("usb", "USB", "USB:" + identifier), sysfs(bench.Path("root")) {
    Configuration<USBDeviceStreamConfiguration>()->SetDeviceID(identifier);
  }
  // A serial instrument answering "ID_NUMBER?" with the identifier (none: silent to it).
  sim::Instrument& Add(const std::string& name, const std::string& identifier, sim::Simulator::Keys keys = {}) {
    keys.emplace_back("transport", "pty");
    keys.emplace_back("idn", "ACME," + name + ",1,1.0");
    if (!identifier.empty()) keys.emplace_back("answer", "ID_NUMBER? -> ZV-ID " + identifier);
    return bench.Simulator().Add(name, keys);
  }
  static std::string Device(const sim::Instrument& instrument) { return instrument.Endpoint().device; }

  FakeSysfs sysfs;
};

TEST(UsbStream, FindsItsInstrumentByIdentifierAmongTheFtdiPortsExchangesWithItAndTimesOutOnSilence) {
  UsbBench usb("8.7.6.5.4.3.2.1");
  sim::Instrument& first = usb.Add("first", "1.2.3.4.5.6.7.8");
  sim::Instrument& other = usb.Add("other", "8.7.6.5.4.3.2.1");  // not an FTDI adapter: never asked
  sim::Instrument& builtin = usb.Add("builtin", "8.7.6.5.4.3.2.1");
  sim::Instrument& wanted = usb.Add("wanted", "8.7.6.5.4.3.2.1");
  usb.sysfs.AddUsbTty("ttyUSB0", "0403", "6001", UsbBench::Device(first));
  usb.sysfs.AddUsbTty("ttyUSB1", "067b", "2303", UsbBench::Device(other));
  usb.sysfs.AddPlainTty("ttyS0", UsbBench::Device(builtin));
  usb.sysfs.AddUsbTty("ttyUSB2", "0403", "6015", UsbBench::Device(wanted));

  const std::vector<FoundDevice> found = USBZEVODeviceFinder().ListDevices();
  ASSERT_EQ(found.size(), 2u);
  EXPECT_EQ(found[0].name, "ttyUSB0");
  EXPECT_EQ(found[0].port, usb.bench.Path("root") + "/dev/ttyUSB0");
  EXPECT_EQ(found[0].identifier, "1.2.3.4.5.6.7.8");
  EXPECT_EQ(found[1].identifier, "8.7.6.5.4.3.2.1");

  ASSERT_EQ(usb.client.ConnectStream(0, true), 0u);
  auto transport = std::dynamic_pointer_cast<USBDeviceStream>(usb.client.TransportStream());
  ASSERT_TRUE(transport);
  EXPECT_EQ(transport->DevicePath(), usb.bench.Path("root") + "/dev/ttyUSB2");
  EXPECT_EQ(transport->GetLockName(), L"Global\\VANTORIX:DS:USB:8.7.6.5.4.3.2.1");
  std::string answer;
  ASSERT_EQ(usb.client.WriteRead(0, "*IDN?", answer, 100, 1), 0u);
  EXPECT_EQ(answer, "ACME,wanted,1,1.0\n");
  EXPECT_EQ(first.ReceivedBytes(), "ID_NUMBER?\r\nID_NUMBER?\r\n");  // the listing, then the connect
  EXPECT_EQ(other.ReceivedBytes(), "");
  EXPECT_EQ(builtin.ReceivedBytes(), "");
  EXPECT_EQ(wanted.ReceivedBytes(), "ID_NUMBER?\r\nID_NUMBER?\r\n*IDN?\n");
  // Silent to an unknown query: the time-out ends the read.
  ASSERT_EQ(usb.client.Write(0, "MEAS?", false), 0u);
  Status status = 0;
  const double seconds = SecondsOf([&] { status = usb.client.Read(0, answer, 100); });
  EXPECT_EQ(status, streamstatus::kReadTimedOut);
  EXPECT_EQ(answer, "");
  EXPECT_GE(seconds, 1.0);
  EXPECT_LE(seconds, 1.1);
  usb.client.DisconnectStream(0);
  EXPECT_FALSE(transport->IsConnected());
}

// (No device, and one identified device: VendorStreamPanels.DetectionFillsTheDeviceOrSaysWhyNot.)
TEST(UsbStream, DetectionExplainsSeveralOrUnidentifiedDevices) {
  struct Case {
    std::vector<std::string> identifiers;  // one FTDI port each; "" for an instrument that does not answer
    std::string identifier, message;
  };
  const Case cases[] = {
      {{"1.2.3.4.5.6.7.8", "2.2.3.4.5.6.7.8"}, "",
       "Multiple device are detected. Only connect a single device, and re-perform the detection"},
      {{""}, "",
       "A device is detected, however the identification of this device could not be determined. Please "
       "reconnect the device and re-perform the detection"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message);
    UsbBench usb("1.0.0.0.0.0.0.0");
    for (size_t i = 0; i < c.identifiers.size(); ++i) {
      const std::string name = "unit" + std::to_string(i);
      usb.sysfs.AddUsbTty("ttyUSB" + std::to_string(i), "0403", "6001",
                          UsbBench::Device(usb.Add(name, c.identifiers[i])));
    }
    std::string message;
    EXPECT_EQ(USBConfigurationPanel::Detect(USBZEVODeviceFinder(0.3).ListDevices(), &message), c.identifier);
    EXPECT_EQ(message, c.message);
  }
}

}  // namespace
