// The dialogs of the relay box, the EUT controller, the Novotronik switch and
// the display in a real window: their pages and control names, the values
// shown, and edits stored into the driver on OK.
#include <gtest/gtest.h>
#include <wx/checkbox.h>
#include <wx/choice.h>
#include <wx/combobox.h>
#include <wx/dialog.h>
#include <wx/textctrl.h>

#include "DialogSteps.h"
#include "drivers/novotronik/NovotronikBase.h"
#include "drivers/novotronik/NovotronikPanel.h"
#include "drivers/osd/mkMesstechnikOSDPanels.h"
#include "drivers/osd/mkMesstechnik_OSD.h"
#include "drivers/stribel/Stribel.h"
#include "drivers/zevo/ZevoPanel.h"
#include "drivers/zevo/ZevoSwt.h"
#include "support/Gui.h"

namespace {
namespace novotronik = Kovalex::devicedrivers::NOVOTRONIK;
namespace osd = Kovalex::devicedrivers::MKMESSTECHNIK_OSD;

template <class C>
C& Get(wxDialog& dialog, const std::string& id) {
  C* control = Control<C>(dialog, id.c_str());
  if (!control) throw std::runtime_error("no control " + id);
  return *control;
}
}  // namespace

TEST(SerialDisplayDialogs, RelayBoxAndEutController) {
  REQUIRE_GUI();
  ZevoSwt box;
  box.SetRelay(ZevoSwt::kDuring, 0, zevo::On);
  WithDialog(box, wxID_OK, [](wxDialog& dialog) {
    EXPECT_EQ(PageTitles(dialog), (std::vector<std::string>{"Relays", "RS232"}));
    for (int which = 0; which < 2; ++which)
      for (int relay = 1; relay <= 4; ++relay) {
        auto& choice = Get<wxChoice>(dialog, ZevoPanel::ControlName(which, relay));
        EXPECT_EQ(choice.GetCount(), 2u);
        EXPECT_EQ(choice.GetStringSelection(), which == 0 && relay == 1 ? "On" : "Off");
      }
    EXPECT_NE(Control<wxComboBox>(dialog, "ID_BAUDRATE"), nullptr);
    Get<wxChoice>(dialog, "ID_DURING_RELAIS1").SetStringSelection("Off");
    Get<wxChoice>(dialog, "ID_AFTER_RELAIS4").SetStringSelection("On");
    EXPECT_TRUE(SaveScreenshot(dialog, "ZevoSwt-Relays"));
  });
  EXPECT_EQ(box.Relay(ZevoSwt::kDuring, 0), zevo::Off);
  EXPECT_EQ(box.Relay(ZevoSwt::kAfter, 3), zevo::On);

  Stribel controller;
  WithDialog(controller, wxID_OK, [](wxDialog& dialog) {
    EXPECT_EQ(PageTitles(dialog), (std::vector<std::string>{"Stribel", "RS232"}));
    auto& output = Get<wxComboBox>(dialog, "ID_OUTPUT");
    ASSERT_EQ(output.GetCount(), 2u);
    EXPECT_EQ(output.GetString(0), "MeasuredField");
    EXPECT_EQ(output.GetString(1), "CalcField");
    EXPECT_EQ(output.GetValue(), "MeasuredField");
    output.SetSelection(1);
  });
  EXPECT_EQ(controller.FieldType(), CalcField);
}

TEST(SerialDisplayDialogs, NovotronikRows) {
  REQUIRE_GUI();
  novotronik::NovotronikBase unit("NOVOTRONIK");
  unit.SetTestSettings(2, 3, novotronik::enmPOS_06);
  WithDialog(unit, wxID_OK, [](wxDialog& dialog) {
    EXPECT_EQ(PageTitles(dialog), (std::vector<std::string>{"Settings", "Communication", "Identification"}));
    for (int row = 0; row < novotronik::NovotronikBase::ROW_TOTAL; ++row) {
      auto& event = Get<wxChoice>(dialog, novotronik::NovotronikPanel::EventControl(row));
      EXPECT_EQ(event.GetCount(), 3u);
      EXPECT_EQ(event.GetStringSelection(), row == 0 ? "enmInitialisationStarted" : "enmUnspecified");
      for (int pin = 0; pin < novotronik::NovotronikBase::PINS_PER_PORT; ++pin) {
        auto& pole = Get<wxChoice>(dialog, novotronik::NovotronikPanel::PinControl(pin, row));
        EXPECT_EQ(pole.GetCount(), 9u);
        EXPECT_EQ(pole.GetStringSelection(), row == 2 && pin == 3 ? "enmPOS_06" : "enmDoNothing");
      }
    }
    Get<wxChoice>(dialog, "cboEvent_ROW_1").SetStringSelection("enmTestStopped");
    Get<wxChoice>(dialog, "cboSwitchPinData_7_ROW_1").SetStringSelection("enmPOS_05");
    EXPECT_TRUE(SaveScreenshot(dialog, "Novotronik-Settings"));
  });
  EXPECT_EQ(unit.RowEvent(1), novotronik::enmTestStopped);
  EXPECT_EQ(unit.RowPin(1, 7), novotronik::enmPOS_05);
  EXPECT_EQ(unit.RowPin(2, 3), novotronik::enmPOS_06);
}

TEST(SerialDisplayDialogs, DisplayDeviceAndItems) {
  REQUIRE_GUI();
  osd::mkMesstechnik_OSD display;
  display.CameraID = "4";
  WithDialog(display, wxID_OK, [](wxDialog& dialog) {
    EXPECT_EQ(PageTitles(dialog), (std::vector<std::string>{"Device", "Settings", "Communication", "Identification"}));
    EXPECT_EQ(Get<wxTextCtrl>(dialog, "ID_CAMERA_ID").GetValue(), "4");
    EXPECT_FALSE(Get<wxCheckBox>(dialog, "ID_PAUSEDETECTION").GetValue());
    EXPECT_EQ(Get<wxComboBox>(dialog, "ID_RESUMEACTIONS").GetCount(), 4u);
    using Panel = osd::mkMesstechnikOSDConfigurationPanel;
    for (int n = 1; n <= 10; ++n) {
      EXPECT_NE(Control<wxTextCtrl>(dialog, Panel::ControlName("TEXT", n, "TEXTSTRING").c_str()), nullptr) << n;
      for (const char* field : {"POSX", "POSY"})
        EXPECT_NE(Control<wxTextCtrl>(dialog, Panel::ControlName("TEXT", n, field).c_str()), nullptr) << n << field;
      for (const char* field : {"COLORFOREGROUND", "COLORBACKGROUND", "FONTSIZE"})
        EXPECT_NE(Control<wxComboBox>(dialog, Panel::ControlName("TEXT", n, field).c_str()), nullptr) << n << field;
    }
    EXPECT_EQ(Get<wxTextCtrl>(dialog, "ID_OSD_TEXT_1_TEXTSTRING").GetValue(), "Freq: __freq__ MHz");
    EXPECT_EQ(Get<wxTextCtrl>(dialog, "ID_OSD_TEXT_4_POSY").GetValue(), "4");
    EXPECT_EQ(Get<wxComboBox>(dialog, "ID_OSD_TEXT_1_COLORFOREGROUND").GetValue(), "enmWhite");
    EXPECT_EQ(Get<wxComboBox>(dialog, "ID_OSD_TEXT_1_COLORFOREGROUND").GetCount(), 17u);
    EXPECT_EQ(Get<wxComboBox>(dialog, "ID_OSD_DATE_1_FONTSIZE").GetCount(), 3u);
    EXPECT_TRUE(Get<wxCheckBox>(dialog, "ID_OSD_DATE_1_SETTING").GetValue());

    Get<wxTextCtrl>(dialog, "ID_CAMERA_ID").SetValue("9");
    Get<wxCheckBox>(dialog, "ID_PAUSEDETECTION").SetValue(true);
    Get<wxComboBox>(dialog, "ID_RESUMEACTIONS").SetSelection(3);
    Get<wxTextCtrl>(dialog, "ID_OSD_TEXT_3_TEXTSTRING").SetValue("Net: __fwdpower__");
    Get<wxTextCtrl>(dialog, "ID_OSD_TEXT_3_POSX").SetValue("12");
    Get<wxComboBox>(dialog, "ID_OSD_TEXT_3_COLORBACKGROUND").SetSelection(2);
    Get<wxCheckBox>(dialog, "ID_OSD_TIME_1_SETTING").SetValue(false);
    Get<wxTextCtrl>(dialog, "ID_OSD_TIME_1_POSY").SetValue("14");
    Picture(dialog, "Settings", "mkMesstechnikOSD-Settings");
  });
  EXPECT_EQ(display.CameraID, "9");
  EXPECT_TRUE(display.PauseDetectionOutOfDwellTime);
  EXPECT_EQ(display.ResumeAction, osd::BOTH);
  EXPECT_EQ(display.Text(2).TextString, "Net: __fwdpower__");
  EXPECT_EQ(display.Text(2).PosX, 12);
  EXPECT_EQ(display.Text(2).ColorBackGround, osd::enmBlack);
  EXPECT_FALSE(display.Time().ShowSetting);
  EXPECT_EQ(display.Time().PosY, 14);
}
