// The RSIB, USB and USB_D2xx configurations: the selected transport and
// every key saved, loaded and saved again byte for byte, and their panels
// in a real window (the address and the device, and the detection command).
#include <gtest/gtest.h>
#include <wx/frame.h>
#include <wx/textctrl.h>

#include <memory>

#include "streams/FakeSysfs.h"
#include "streams/LibraryStreamBench.h"
#include "streams/ftdi/FTDID2xxDeviceStreamConfiguration.h"
#include "streams/rsib/RSIBDeviceStreamConfig.h"
#include "streams/usb/USBConfigurationPanel.h"
#include "streams/usb/USBDeviceStreamConfiguration.h"
#include "support/DialogControls.h"
#include "support/MessageBoxRecorder.h"
#include "support/SettingsFile.h"
#include "support/TestFiles.h"

namespace {
constexpr const char* kTypes[] = {"RSIB", "USB", "USB_D2xx"};

void Offer(StreamTestDriver& driver) {
  for (const char* type : kTypes) ASSERT_EQ(driver.client.Manager().AddStreamConfiguration(type), 0u);
  driver.client.Manager().SetDefaultTypeName("RSIB");
}

template <class C>
std::shared_ptr<C> Config(StreamTestDriver& driver, const char* type) {
  return std::dynamic_pointer_cast<C>(driver.client.Manager().GetConfiguration(type));
}

TEST(VendorStreamSettings, TheSelectedTransportAndEveryKeySurviveSaveLoadSave) {
  LegacyTestBench files("settings");
  for (const char* type : kTypes) {
    SCOPED_TRACE(type);
    StreamTestDriver first;
    Offer(first);
    Config<RSIBDeviceStreamConfig>(first, "RSIB")->SetAddress("meter.lab.example");
    Config<USBDeviceStreamConfiguration>(first, "USB")->SetDeviceID("3.1.4.1.5.9.2.6");
    Config<FTDID2xxDeviceStreamConfiguration>(first, "USB_D2xx")->SetSerialNumber("FTX0042A");
    first.client.Manager().SetSelectedTypeName(type);
    const std::string saved = files.Path(std::string("first-") + type + ".ini");
    const std::string again = files.Path(std::string("again-") + type + ".ini");
    ASSERT_EQ(SaveFile(first, saved), 0u);
    const std::string text = ReadFile(saved);
    EXPECT_NE(text.find(std::string("Selected=") + type + "\n"), std::string::npos) << text;
    EXPECT_NE(text.find("[Stream Config.0.RSIB]\nAddress=meter.lab.example\n"), std::string::npos);
    EXPECT_NE(text.find("[Stream Config.USBDeviceStream]\nDeviceID=3.1.4.1.5.9.2.6\n"), std::string::npos);
    EXPECT_NE(text.find("[Stream Config.FTDID2xx]\nSerialNumber=FTX0042A\n"), std::string::npos);

    StreamTestDriver second;
    Offer(second);
    ASSERT_EQ(LoadFile(second, saved), 0u);
    EXPECT_EQ(second.client.GetSelectedStreamID(), first.client.GetSelectedStreamID());
    ASSERT_EQ(SaveFile(second, again), 0u);
    EXPECT_EQ(ReadFile(again), text);
  }
  // The default ID string of D2XX (RSIB's and USB's show in their panels and lock names).
  EXPECT_EQ(FTDID2xxDeviceStreamConfiguration().GetIDString(), "USB_D2xx:");
}

class VendorStreamPanels : public ::testing::Test {
protected:
  void SetUp() override {
    REQUIRE_GUI();
    frame = new wxFrame(nullptr, wxID_ANY, "panels");
  }
  void TearDown() override {
    if (frame) frame->Destroy();
  }
  // The configuration's panel, loaded into the frame.
  ValidatorBasedPanel* Panel(DeviceStreamConfiguration& configuration) {
    ValidatorBasedPanel* panel = configuration.CreateConfigurationPanel();
    EXPECT_TRUE(panel->Load(frame, wxString::FromUTF8(configuration.ConfigurationPanelName())));
    panel->TransferDataToWindow();
    return panel;
  }
  wxFrame* frame = nullptr;
};

TEST_F(VendorStreamPanels, TheRsibAddressIsShownAndStored) {
  RSIBDeviceStreamConfig rsib;
  ValidatorBasedPanel* panel = Panel(rsib);
  auto* address = Control<wxTextCtrl>(*panel, "ID_RSIBADDRESS");
  ASSERT_NE(address, nullptr);
  EXPECT_EQ(address->GetValue(), "192.168.0.10");
  address->SetValue(" 10.9.8.7 ");
  ASSERT_TRUE(panel->TransferDataFromWindow());
  EXPECT_EQ(rsib.GetAddress(), "10.9.8.7");
}

TEST_F(VendorStreamPanels, DetectionFillsTheDeviceOrSaysWhyNot) {
  LibraryStreamBench bench("panels", "USB", "USB:1.0.0.0.0.0.0.0");
  FakeSysfs sysfs(bench.bench.Path("root"));
  USBDeviceStreamConfiguration usb;
  FTDID2xxDeviceStreamConfiguration d2xx;
  ValidatorBasedPanel* usbPanel = Panel(usb);
  ValidatorBasedPanel* d2xxPanel = Panel(d2xx);
  MessageBoxRecorder boxes;

  // Nothing attached: a box for each, the fields unchanged.
  Press(*usbPanel, wxXmlResource::GetXRCID("ID_DETECT"));
  Press(*d2xxPanel, wxXmlResource::GetXRCID("ID_DETECT"));
  ASSERT_EQ(boxes.boxes.size(), 2u);
  for (const ShownBox& box : boxes.boxes) {
    EXPECT_EQ(box.title, "Device detection");
    EXPECT_EQ(box.text, "No device is detected!");
  }
  EXPECT_EQ(Control<wxTextCtrl>(*usbPanel, "ID_DEVICE")->GetValue(), "1.0.0.0.0.0.0.0");

  // One identified instrument on an FTDI port, one chip on the D2XX library.
  sim::Instrument& unit = bench.bench.Simulator().Add(
      "unit", {{"transport", "pty"}, {"answer", "ID_NUMBER? -> 5.6.7.8.9.10.11.12"}});
  sysfs.AddUsbTty("ttyUSB0", "0403", "6001", unit.Endpoint().device);
  bench.bench.Simulator().Add("chip", {{"family", "ftdi"}, {"transport", "visa"}, {"resource", "FTDI::FTQ77"}});
  Press(*usbPanel, wxXmlResource::GetXRCID("ID_DETECT"));
  Press(*d2xxPanel, wxXmlResource::GetXRCID("ID_DETECT"));
  EXPECT_EQ(boxes.boxes.size(), 2u);
  ASSERT_TRUE(usbPanel->TransferDataFromWindow());
  ASSERT_TRUE(d2xxPanel->TransferDataFromWindow());
  EXPECT_EQ(usb.GetDeviceID(), "5.6.7.8.9.10.11.12");
  EXPECT_EQ(d2xx.GetSerialNumber(), "FTQ77");
}

// A D2XX library that is missing or fails is named in the box, never taken for "no device".
TEST_F(VendorStreamPanels, D2xxDetectionShowsTheLibrarysFailure) {
  LibraryStreamBench bench("panels", "USB_D2xx", "USB_D2xx:");
  bench.bench.Simulator().Add("chip", {{"family", "ftdi"},
                                       {"transport", "visa"},
                                       {"resource", "FTDI::FTQ78"},
                                       {"fail", "FT_CreateDeviceInfoList 4"}});
  const struct {
    std::string library, text;
  } cases[] = {
      {::testing::TempDir() + "no-such-libftd2xx.so",
       "FTDI D2xx: FTD2xx.dll could not be loaded or found. Are the FTDI D2XX drivers installed?"},
      {SimulatedLibrary("libftd2xx.so"), "FTDI D2xx: IO Error"},
  };
  FTDID2xxDeviceStreamConfiguration d2xx;
  d2xx.SetSerialNumber("FTQ00");
  ValidatorBasedPanel* panel = Panel(d2xx);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    ScopedVariable library("SWMATRIX_FTD2XX_LIBRARY", c.library);
    MessageBoxRecorder boxes;
    Press(*panel, wxXmlResource::GetXRCID("ID_DETECT"));
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].title, "Device detection");
    EXPECT_EQ(boxes.boxes[0].text, c.text);
    EXPECT_EQ(Control<wxTextCtrl>(*panel, "ID_DEVICE")->GetValue(), "FTQ00");
  }
}

}  // namespace
