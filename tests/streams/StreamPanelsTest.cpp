// The "Communication" and "Identification" pages of a driver that talks
// over streams, in a real dialog.
#include <gtest/gtest.h>
#include <wx/checkbox.h>
#include <wx/choice.h>
#include <wx/combobox.h>
#include <wx/dialog.h>
#include <wx/notebook.h>
#include <wx/textctrl.h>
#include <wx/xrc/xmlres.h>

#include "dialogs/TabbedConfigurationDialog.h"
#include "streams/StreamTestSupport.h"
#include "streams/rs232/RS232DeviceStreamConfiguration.h"
#include "support/DialogControls.h"
#include "support/MessageBoxRecorder.h"
#include "streams/tcp/NetworkBasedDeviceStreamConfig.h"

namespace {
void Choose(wxChoice& list, const wxString& name) {
  list.SetStringSelection(name);
  wxCommandEvent chosen(wxEVT_CHOICE, list.GetId());
  chosen.SetEventObject(&list);
  chosen.SetInt(list.GetSelection());
  list.GetEventHandler()->ProcessEvent(chosen);
}

// The address text controls of the page, one per network transport, in list order.
std::vector<wxTextCtrl*> AddressControls(wxWindow& page) {
  std::vector<wxTextCtrl*> found;
  for (wxWindow* panel : Control<wxWindow>(page, "ID_STREAM_CONFIGURATION_AREA")->GetChildren())
    if (auto* text = Control<wxTextCtrl>(*panel, "txtAddress")) found.push_back(text);
  return found;
}

class StreamPanels : public ::testing::Test {
protected:
  void SetUp() override {
    REQUIRE_GUI();
    // (TCP and UDP would share their table "Ethernet": a driver offers one of them.)
    for (const char* type : {"TCPIP", "HTTP"}) ASSERT_EQ(driver.client.Manager().AddStreamConfiguration(type), 0u);
    driver.client.Manager().SetDefaultTypeName("HTTP");
    Address("TCPIP")->SetAddress("10.0.0.7:5025");
    driver.client.SetExpectedResponse("ACME");
  }
  void TearDown() override { SetDialogShownHook({}); }
  std::shared_ptr<NetworkBasedDeviceStreamConfig> Address(const std::string& type) {
    return std::dynamic_pointer_cast<NetworkBasedDeviceStreamConfig>(driver.client.Manager().GetConfiguration(type));
  }

  StreamTestDriver driver;
};

TEST_F(StreamPanels, TheDialogShowsTheTransportsAndStoresWhatWasChosen) {
  int shown = 0;
  SetDialogShownHook([&](wxDialog& dialog) {
    ++shown;
    auto* notebook = Control<wxNotebook>(dialog, "GenericTabs");
    ASSERT_NE(notebook, nullptr);
    ASSERT_EQ(notebook->GetPageCount(), 2u);
    EXPECT_EQ(notebook->GetPageText(0), "Communication");
    EXPECT_EQ(notebook->GetPageText(1), "Identification");
    wxWindow& page = *notebook->GetPage(0);
    auto* list = Control<wxChoice>(page, "wxID_StreamList");
    ASSERT_NE(list, nullptr);
    ASSERT_EQ(list->GetCount(), 2u);
    EXPECT_EQ(list->GetString(0), "HTTP");
    EXPECT_EQ(list->GetString(1), "TCPIP");
    EXPECT_EQ(list->GetStringSelection(), "HTTP");  // the default, nothing selected yet

    // Each transport has its panel; only the chosen one is shown.
    std::vector<wxTextCtrl*> addresses = AddressControls(page);
    ASSERT_EQ(addresses.size(), 2u);
    EXPECT_EQ(addresses[1]->GetValue(), "10.0.0.7:5025");
    EXPECT_TRUE(addresses[0]->IsShownOnScreen());
    EXPECT_FALSE(addresses[1]->IsShownOnScreen());
    Choose(*list, "TCPIP");
    EXPECT_TRUE(addresses[1]->IsShownOnScreen());
    EXPECT_FALSE(addresses[0]->IsShownOnScreen());
    addresses[1]->ChangeValue(" 10.0.0.9:5025 ");
    addresses[0]->ChangeValue("http://10.0.0.8/");

    auto* expected = Control<wxTextCtrl>(dialog, "ID_EXPECTED_RESPONSE");
    ASSERT_NE(expected, nullptr);
    EXPECT_EQ(expected->GetValue(), "ACME");
    expected->ChangeValue("RM-47.*");
    Press(dialog, wxID_OK);
  });
  EXPECT_EQ(driver.ShowConfigurationDialog(0), 0u);
  EXPECT_EQ(shown, 1);
  EXPECT_EQ(driver.client.Manager().GetSelectedTypeName(), "TCPIP");
  EXPECT_EQ(Address("TCPIP")->GetAddress(), "10.0.0.9:5025");
  EXPECT_EQ(Address("HTTP")->GetAddress(), "http://10.0.0.8/");
  EXPECT_EQ(driver.client.GetExpectedResponse(), "RM-47.*");
  // The first showing ran the driver's preset of its transports.
  EXPECT_TRUE(driver.client.Manager().GetDefaultConfigurationLoaded());
}

TEST_F(StreamPanels, CancelKeepsEverything) {
  SetDialogShownHook([&](wxDialog& dialog) {
    auto* list = Control<wxChoice>(dialog, "wxID_StreamList");
    ASSERT_NE(list, nullptr);
    Choose(*list, "HTTP");
    AddressControls(dialog)[0]->ChangeValue("http://meter.lab/");
    Control<wxTextCtrl>(dialog, "ID_EXPECTED_RESPONSE")->ChangeValue("changed");
    Press(dialog, wxID_CANCEL);
  });
  EXPECT_EQ(driver.ShowConfigurationDialog(0), 0u);
  EXPECT_EQ(driver.client.Manager().GetSelectedTypeName(), "");
  EXPECT_EQ(Address("HTTP")->GetAddress(), "");
  EXPECT_EQ(driver.client.GetExpectedResponse(), "ACME");
}

TEST_F(StreamPanels, ATransportAloneInItsOwnDialog) {
  SetDialogShownHook([&](wxDialog& dialog) {
    auto* address = Control<wxTextCtrl>(dialog, "txtAddress");
    ASSERT_NE(address, nullptr);
    EXPECT_EQ(address->GetValue(), "10.0.0.7:5025");
    address->ChangeValue("meter.lab:7000");
    Press(dialog, wxID_OK);
  });
  EXPECT_EQ(Address("TCPIP")->ShowConfigurationDialog(0), 0u);
  EXPECT_EQ(Address("TCPIP")->GetAddress(), "meter.lab:7000");
}
TEST(SerialPanel, TheSerialSettingsInTheCommunicationPage) {
  REQUIRE_GUI();
  StreamTestDriver driver;
  ASSERT_EQ(driver.client.Manager().AddStreamConfiguration("RS-232"), 0u);
  driver.client.Manager().SetDefaultTypeName("RS-232");
  auto serial = driver.client.SelectedConfigurationAs<RS232DeviceStreamConfiguration>();
  serial->SetCOMPort(4);
  MessageBoxRecorder boxes;
  int shown = 0;
  SetDialogShownHook([&](wxDialog& dialog) {
    ++shown;
    auto* port = Control<wxComboBox>(dialog, "ID_COMPORT");
    auto* rate = Control<wxComboBox>(dialog, "ID_BAUDRATE");
    auto* parity = Control<wxComboBox>(dialog, "ID_PARITY");
    auto* dataBits = Control<wxComboBox>(dialog, "ID_DATABITS");
    auto* stopBits = Control<wxComboBox>(dialog, "ID_STOPBITS");
    auto* send = Control<wxComboBox>(dialog, "ID_SENDTERMINATION");
    auto* receive = Control<wxComboBox>(dialog, "ID_RECEIVETERMINATION");
    auto* endOfString = Control<wxCheckBox>(dialog, "ID_NEWLINERETURNISENDOFSTRING");
    for (wxWindow* control : std::initializer_list<wxWindow*>{port, rate, parity, dataBits, stopBits, send, receive, endOfString})
      ASSERT_NE(control, nullptr);
    EXPECT_EQ(port->GetValue(), "COM4");
    EXPECT_EQ(rate->GetValue(), "19200");
    EXPECT_EQ(parity->GetValue(), "None");
    EXPECT_EQ(dataBits->GetValue(), "Data8");
    EXPECT_EQ(stopBits->GetValue(), "Stop1");
    EXPECT_EQ(send->GetValue(), "NoTermination");
    EXPECT_EQ(send->GetCount(), 4u);
    EXPECT_TRUE(endOfString->GetValue());
    // A rate that is not a standard one keeps the dialog open.
    rate->SetValue("12345");
    Press(dialog, wxID_OK);
    if (!boxes.boxes.empty()) {
      rate->SetValue("921600");
      send->SetStringSelection("CarrierReturnPlusLineFeed");
      parity->SetStringSelection("Even");
      port->SetStringSelection("COM9");
      endOfString->SetValue(false);
      Press(dialog, wxID_OK);
    }
  });
  EXPECT_EQ(driver.ShowConfigurationDialog(0), 0u);
  EXPECT_EQ(shown, 1);
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_NE(boxes.boxes[0].text.find("12345"), std::string::npos) << boxes.boxes[0].text;
  EXPECT_EQ(serial->GetBaudRate(), Br921600);
  EXPECT_EQ(serial->GetSendTermination(), CarrierReturnPlusLineFeed);
  EXPECT_EQ(serial->GetParity(), Even);
  EXPECT_EQ(serial->GetCOMPort(), 9);
  EXPECT_FALSE(serial->GetNewLineReturnIsEndOfString());
  SetDialogShownHook({});
}
}  // namespace
