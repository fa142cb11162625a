// The tabbed configuration dialog in a real window: controls set by code and
// by key presses, OK and Cancel, validation that keeps the dialog open.
#include <gtest/gtest.h>
#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/dialog.h>
#include <wx/filename.h>
#include <wx/notebook.h>
#include <wx/textctrl.h>
#include <wx/uiaction.h>
#include <wx/xrc/xmlres.h>

#include <fstream>

#include "DialogSteps.h"
#include "dialogs/PanelList.h"
#include "dialogs/PropertyValidators.h"
#include "dialogs/DecoratorValidators.h"
#include "dialogs/ValidatorSupport.h"
#include "framework/DeviceDriverBase.h"
#include "settings/StorableMemberVariable.h"
#include "support/Gui.h"
#include "support/TestFiles.h"

namespace {
const char* kTestPanels = R"(<?xml version="1.0" encoding="UTF-8"?>
<resource xmlns="http://www.wxwidgets.org/wxxrc" version="2.5.3.0">
  <object class="wxPanel" name="TestSettingsPanel">
    <object class="wxBoxSizer"><orient>wxVERTICAL</orient>
    <object class="sizeritem"><flag>wxALL|wxEXPAND</flag><border>12</border>
    <object class="wxFlexGridSizer">
      <cols>2</cols><vgap>6</vgap><hgap>12</hgap><growablecols>1</growablecols>
      <object class="sizeritem"><flag>wxALIGN_CENTER_VERTICAL</flag>
        <object class="wxStaticText"><label>Relay count:</label></object></object>
      <object class="sizeritem"><flag>wxEXPAND</flag>
        <object class="wxTextCtrl" name="ID_NUMBER"/></object>
      <object class="spacer"><size>0,0</size></object>
      <object class="sizeritem">
        <object class="wxCheckBox" name="ID_FLAG"><label>Lock the front panel</label></object></object>
    </object>
    </object>
    </object>
  </object>
  <object class="wxPanel" name="TestLimitsPanel">
    <object class="wxFlexGridSizer">
      <cols>2</cols><vgap>6</vgap><hgap>12</hgap>
      <object class="sizeritem"><flag>wxALIGN_CENTER_VERTICAL</flag>
        <object class="wxStaticText"><label>Retries (1 to 10):</label></object></object>
      <object class="sizeritem"><flag>wxEXPAND</flag>
        <object class="wxTextCtrl" name="ID_LIMIT"/></object>
    </object>
  </object>
</resource>
)";

class ConfigurableTestDriver : public DeviceDriverBase {
public:
  ConfigurableTestDriver() { msDescription = "Test switch"; }
  Status AddConfigurationDialogPanels(HostWindow, PanelList& panels) override;

  StorableMemberVariable<int> number{3, storableMembers, "Test", "Number"};
  StorableMemberVariable<bool> flag{false, storableMembers, "Test", "Flag"};
  StorableMemberVariable<int> limit{5, storableMembers, "Test", "Limit"};
};

template <class T>
wxTemplatePropertyValidator<ConfigurableTestDriver, T>* MemberValidator(
    ConfigurableTestDriver* driver, StorableMemberVariable<T> ConfigurableTestDriver::*member, const char* format) {
  return new wxTemplatePropertyValidator<ConfigurableTestDriver, T>(
      driver, [member](const ConfigurableTestDriver& d) { return (d.*member).Value(); },
      [member](ConfigurableTestDriver& d, const T& value) { d.*member = value; }, format);
}

class SettingsPanel : public ValidatorBasedPanel {
public:
  explicit SettingsPanel(ConfigurableTestDriver* driver) : driver_(driver) {}
  void BindControls() override {
    std::unique_ptr<wxValidator> number(MemberValidator(driver_, &ConfigurableTestDriver::number, "%d"));
    Bind<wxTextCtrl>("ID_NUMBER", *number);
    std::unique_ptr<wxValidator> flag(MemberValidator(driver_, &ConfigurableTestDriver::flag, ""));
    Bind<wxCheckBox>("ID_FLAG", *flag);
  }

private:
  ConfigurableTestDriver* driver_;
};

class LimitsPanel : public ValidatorBasedPanel {
public:
  explicit LimitsPanel(ConfigurableTestDriver* driver) : driver_(driver) {}
  void BindControls() override {
    wxRangeDecoratorValidator<int> limit(MemberValidator(driver_, &ConfigurableTestDriver::limit, "%d"), 1, 10);
    Bind<wxTextCtrl>("ID_LIMIT", limit);
  }

private:
  ConfigurableTestDriver* driver_;
};

Status ConfigurableTestDriver::AddConfigurationDialogPanels(HostWindow, PanelList& panels) {
  panels.Add({[this] { return new SettingsPanel(this); }, "TestSettingsPanel", "Settings"});
  panels.Add({[this] { return new LimitsPanel(this); }, "TestLimitsPanel", "Limits"});
  panels.Add({[this] { return new LimitsPanel(this); }, "TestLimitsPanel", "Limits"});  // ignored
  return 0;
}


class TabbedDialog : public ::testing::Test {
protected:
  void SetUp() override {
    REQUIRE_GUI();
    static const bool loaded = [] {
      const std::string path = testing::TempDir() + "swm_test_panels.xrc";
      std::ofstream(path) << kTestPanels;
      return wxXmlResource::Get()->Load(path);
    }();
    ASSERT_TRUE(loaded);
  }
  void TearDown() override { SetDialogShownHook({}); }

  ConfigurableTestDriver driver;
  TestDirectory dir;
  const std::string ini = dir.File("dialog.ini");
};
}  // namespace

TEST_F(TabbedDialog, OkStoresTheEditedValuesWhichThenSave) {
  int shown = 0;
  wxString title;
  SetDialogShownHook([&](wxDialog& dialog) {
    ++shown;
    title = dialog.GetTitle();
    EXPECT_EQ(PageTitles(dialog), (std::vector<std::string>{"Settings", "Limits"}));  // the repeated page ignored
    EXPECT_EQ(Control<wxTextCtrl>(dialog, "ID_NUMBER")->GetValue(), "3");
    Control<wxTextCtrl>(dialog, "ID_NUMBER")->ChangeValue("42");
    Control<wxCheckBox>(dialog, "ID_FLAG")->SetValue(true);
    EXPECT_TRUE(SaveScreenshot(dialog, "TestDriverSettings"));
    Press(dialog, wxID_OK);
  });
  // An id that names no X11 window must not disturb anything.
  EXPECT_EQ(driver.ShowConfigurationDialog(0x7FFFFFF0), 0u);
  EXPECT_EQ(shown, 1);
  EXPECT_EQ(title, "Test switch");
  EXPECT_EQ(driver.number.Value(), 42);
  EXPECT_TRUE(driver.flag.Value());

  ASSERT_EQ(driver.SaveConfiguration(0, ini.c_str()), 0u);
  const std::string saved = ReadFile(ini);
  EXPECT_NE(saved.find("Number=42"), std::string::npos) << saved;
  EXPECT_NE(saved.find("Flag=1"), std::string::npos) << saved;
  EXPECT_NE(saved.find("Limit=5"), std::string::npos) << saved;
}

TEST_F(TabbedDialog, CancelLeavesTheDriverAsItWas) {
  SetDialogShownHook([&](wxDialog& dialog) {
    Control<wxTextCtrl>(dialog, "ID_NUMBER")->ChangeValue("77");
    Control<wxCheckBox>(dialog, "ID_FLAG")->SetValue(true);
    Press(dialog, wxID_CANCEL);
  });
  EXPECT_EQ(driver.ShowConfigurationDialog(0), 0u);
  EXPECT_EQ(driver.number.Value(), 3);
  EXPECT_FALSE(driver.flag.Value());
}

TEST_F(TabbedDialog, FailingValidationKeepsTheDialogOpenOnThePageOfTheControl) {
  int round = 0;
  SetDialogShownHook([&](wxDialog& dialog) {
    Control<wxTextCtrl>(dialog, "ID_LIMIT")->ChangeValue("99");
    Press(dialog, wxID_OK);
    ++round;
    // Still open: the second page with the bad control is in front and focused.
    EXPECT_TRUE(dialog.IsModal());
    EXPECT_EQ(Control<wxNotebook>(dialog, "GenericTabs")->GetSelection(), 1);
    EXPECT_EQ(wxWindow::FindFocus(), Control<wxTextCtrl>(dialog, "ID_LIMIT"));
    Control<wxTextCtrl>(dialog, "ID_LIMIT")->ChangeValue("7");
    Press(dialog, wxID_OK);
  });
  EXPECT_EQ(driver.ShowConfigurationDialog(0), 0u);
  EXPECT_EQ(round, 1);
  EXPECT_EQ(driver.limit.Value(), 7);
}

TEST_F(TabbedDialog, KeyPressesReachTheControls) {
  SetDialogShownHook([&](wxDialog& dialog) {
    auto* number = Control<wxTextCtrl>(dialog, "ID_NUMBER");
    number->SetFocus();
    number->SelectAll();
    wxYield();
    wxUIActionSimulator keys;
    keys.Text("17");
    for (int i = 0; i < 50 && number->GetValue() != "17"; ++i) wxYield();
    EXPECT_EQ(number->GetValue(), "17");
    Press(dialog, wxID_OK);
  });
  EXPECT_EQ(driver.ShowConfigurationDialog(0), 0u);
  EXPECT_EQ(driver.number.Value(), 17);
}

TEST_F(TabbedDialog, WithoutADisplayItAnswersAtOnceWithAStatus) {
  const std::string display = std::getenv("DISPLAY");
  unsetenv("DISPLAY");
  bool shown = false;
  SetDialogShownHook([&](wxDialog& dialog) {
    shown = true;
    Press(dialog, wxID_CANCEL);
  });
  const Status status = driver.ShowConfigurationDialog(0);
  setenv("DISPLAY", display.c_str(), 1);
  EXPECT_EQ(status, DRV_ERR_DIALOG_UNAVAILABLE);
  EXPECT_FALSE(shown);
  char text[256];
  uint32_t read = 0;
  driver.GetErrorString(0, status, text, sizeof text, &read);
  EXPECT_STREQ(text, "The configuration dialog cannot be shown: no display is available.");
}
