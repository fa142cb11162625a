// The configuration dialogs of the legacy classes in a real window (run
// under xvfb-run): the RS232 and GPIB panels alone in their dialogs, the
// GPIB/RS232 selector dialog and page.
#include <gtest/gtest.h>
#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/combobox.h>
#include <wx/dialog.h>
#include <wx/notebook.h>
#include <wx/radiobut.h>
#include <wx/textctrl.h>
#include <wx/xrc/xmlres.h>

#include "dialogs/PanelList.h"
#include "dialogs/TabbedConfigurationDialog.h"
#include "legacy/GPIBRS232.h"
#include "legacy/NI488GPIB.h"
#include "legacy/RS232DeviceDriver.h"
#include "support/DialogControls.h"
#include "support/Gui.h"
#include "support/MessageBoxRecorder.h"

namespace {

// Selects the entry whose text is given; false when there is none.
bool Choose(wxComboBox* combo, const wxString& text) {
  const int index = combo->FindString(text, true);
  if (index == wxNOT_FOUND) return false;
  combo->SetSelection(index);
  return true;
}

class LegacyDialogs : public ::testing::Test {
protected:
  void SetUp() override { REQUIRE_GUI(); }
  void TearDown() override { SetDialogShownHook({}); }
};

}  // namespace

TEST_F(LegacyDialogs, TheRS232DialogAcceptsOnlyStandardBaudRates) {
  MessageBoxRecorder boxes;
  RS232DeviceDriver port(41, Br19200, Even, Data7, Stop2);
  int rounds = 0;
  SetDialogShownHook([&](wxDialog& dialog) {
    ++rounds;
    EXPECT_EQ(dialog.GetTitle(), "RS232 Configuration");
    auto* notebook = Control<wxNotebook>(dialog, "GenericTabs");
    ASSERT_NE(notebook, nullptr);
    EXPECT_EQ(notebook->GetPageText(0), "RS232");
    auto* comPort = Control<wxComboBox>(dialog, "ID_COMPORT");
    auto* parity = Control<wxComboBox>(dialog, "ID_PARITY");
    auto* baudRate = Control<wxComboBox>(dialog, "ID_BAUDRATE");
    auto* dataBits = Control<wxComboBox>(dialog, "ID_DATABITS");
    auto* stopBits = Control<wxComboBox>(dialog, "ID_STOPBITS");
    ASSERT_TRUE(comPort && parity && baudRate && dataBits && stopBits);
    EXPECT_EQ(comPort->GetValue(), "COM41");
    EXPECT_EQ(parity->GetValue(), "Even");
    EXPECT_EQ(parity->GetCount(), 5u) << "None, Odd, Even, Mark, Space";
    EXPECT_EQ(baudRate->GetValue(), "19200");
    EXPECT_EQ(baudRate->GetCount(), 11u) << "the standard rates from 50 to 115200";
    EXPECT_EQ(dataBits->GetValue(), "Data7");
    EXPECT_EQ(stopBits->GetValue(), "Stop2");
    EXPECT_EQ(stopBits->GetString(1), "Stop15");

    EXPECT_TRUE(Choose(comPort, "COM7"));
    EXPECT_TRUE(Choose(parity, "Odd"));
    EXPECT_TRUE(Choose(dataBits, "Data8"));
    EXPECT_TRUE(Choose(stopBits, "Stop1"));
    baudRate->SetValue("9000");
    Press(dialog, wxID_OK);
    EXPECT_TRUE(dialog.IsModal()) << "9000 is refused";
    baudRate->SetValue("57600");
    Press(dialog, wxID_OK);
  });
  EXPECT_EQ(port.ShowConfigurationDialog(0), 0u);
  EXPECT_EQ(rounds, 1);
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_EQ(boxes.boxes[0].title, "Value Validation");
  EXPECT_EQ(boxes.boxes[0].text,
            "The value ('9000') you specified is not valid.\nFirst valid lower value is 4800.\n"
            "First valid higher value is 9600.");
  EXPECT_EQ(port.GetCOMPort(), 7);
  EXPECT_EQ(port.GetParity(), Odd);
  EXPECT_EQ(port.GetBaudRate(), Br57600);
  EXPECT_EQ(port.GetDataBits(), Data8);
  EXPECT_EQ(port.GetStopBits(), Stop1);
}

TEST_F(LegacyDialogs, TheGPIBDialogEditsTheGPIBSettings) {
  NI488GPIB gpib(GPIB1, 5, 0);
  gpib.SetWait(25);
  SetDialogShownHook([&](wxDialog& dialog) {
    EXPECT_EQ(dialog.GetTitle(), "GPIB Configuration");
    EXPECT_EQ(Control<wxNotebook>(dialog, "GenericTabs")->GetPageText(0), "GPIB");
    auto* board = Control<wxComboBox>(dialog, "ID_BOARD");
    auto* primary = Control<wxTextCtrl>(dialog, "ID_PRIMARYADDRESS");
    auto* wait = Control<wxTextCtrl>(dialog, "ID_WAIT");
    auto* clear = Control<wxCheckBox>(dialog, "ID_CLEAR");
    ASSERT_TRUE(board && primary && wait && clear);
    EXPECT_EQ(board->GetValue(), "GPIB1");
    EXPECT_EQ(board->GetCount(), 4u) << "GPIB0 to GPIB3";
    EXPECT_EQ(primary->GetValue(), "5");
    EXPECT_EQ(wait->GetValue(), "25");
    EXPECT_TRUE(clear->GetValue());
    primary->ChangeValue("31");
    Press(dialog, wxID_OK);
    EXPECT_TRUE(dialog.IsModal()) << "address 31 is out of range";
    primary->ChangeValue("12");
    EXPECT_TRUE(Choose(board, "GPIB3"));
    wait->ChangeValue("100");
    clear->SetValue(false);
    Press(dialog, wxID_OK);
  });
  EXPECT_EQ(gpib.ShowConfigurationDialog(0), 0u);
  EXPECT_EQ(gpib.GetPrimaryAddress(), 12);
  EXPECT_EQ(gpib.GetBoard(), GPIB3);
  EXPECT_EQ(gpib.GetWait(), 100u);
  EXPECT_FALSE(gpib.GetClear());
  EXPECT_TRUE(gpib.GetReaddress());
}

TEST_F(LegacyDialogs, TheSelectorDialogChoosesBetweenGPIBAndRS232) {
  NI488GPIBConfiguration gpib(GPIB0, 3, 0);
  GPIBRS232 selector(GPIBRS232::kGPIB);
  selector.SetConfigurations(&gpib, nullptr);
  SetDialogShownHook([&](wxDialog& dialog) {
    auto* gpibRadio = Control<wxRadioButton>(dialog, "ID_GPIBRADIO");
    auto* serialRadio = Control<wxRadioButton>(dialog, "ID_RS232RADIO");
    ASSERT_TRUE(gpibRadio && serialRadio);
    EXPECT_TRUE(gpibRadio->GetValue());
    EXPECT_FALSE(serialRadio->GetValue());
    EXPECT_TRUE(Control<wxButton>(dialog, "ID_GPIBSETUP")->IsEnabled());
    EXPECT_FALSE(Control<wxButton>(dialog, "ID_RS232SETUP")->IsEnabled()) << "no serial configuration given";
    serialRadio->SetValue(true);
    Press(dialog, wxID_OK);
  });
  EXPECT_EQ(selector.ShowConfigurationDialog(0), 0u);
  EXPECT_EQ(selector.GetCommunication(), GPIBRS232::kRS232);

  // The page of a tabbed dialog, and the setup button's own dialog.
  std::vector<wxString> titles;
  SetDialogShownHook([&](wxDialog& dialog) {
    titles.push_back(dialog.GetTitle());
    if (titles.size() == 1) {
      EXPECT_EQ(Control<wxNotebook>(dialog, "GenericTabs")->GetPageText(0), "GPIB/RS232");
      Control<wxRadioButton>(dialog, "ID_GPIBRADIO")->SetValue(true);
      wxCommandEvent click(wxEVT_BUTTON, wxXmlResource::GetXRCID("ID_GPIBSETUP"));
      Control<wxButton>(dialog, "ID_GPIBSETUP")->GetEventHandler()->ProcessEvent(click);
      Press(dialog, wxID_OK);
    } else {
      Control<wxTextCtrl>(dialog, "ID_PRIMARYADDRESS")->ChangeValue("17");
      Press(dialog, wxID_OK);
    }
  });
  PanelList panels;
  EXPECT_EQ(selector.AddConfigurationPanel(0, panels), 0u);
  EXPECT_EQ(ShowTabbedDialog(0, "Selector", panels), 0u);
  EXPECT_EQ(titles, (std::vector<wxString>{"Selector", "GPIB Configuration"}));
  EXPECT_EQ(gpib.GetPrimaryAddress(), 17);
  EXPECT_EQ(selector.GetCommunication(), GPIBRS232::kGPIB);
}
