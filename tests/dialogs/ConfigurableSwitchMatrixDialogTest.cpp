// The Wattex switch's configuration dialog in a real window: its pages, the
// values shown, edits stored into the driver on OK (the command lists one per
// line, blank lines dropped) and then saved, and a time-out out of range
// that keeps the dialog open.
#include <gtest/gtest.h>
#include <wx/checkbox.h>
#include <wx/dialog.h>
#include <wx/textctrl.h>

#include "DialogSteps.h"
#include "drivers/wattex/WattexSwitch.h"
#include "support/Gui.h"
#include "support/TestFiles.h"

namespace {

class ConfigurableSwitchMatrixDialog : public ::testing::Test {
protected:
  void SetUp() override { REQUIRE_GUI(); }
  void TearDown() override { SetDialogShownHook({}); }
  WattexSwitch driver;
};
}  // namespace

TEST_F(ConfigurableSwitchMatrixDialog, ShowsTheSettingsAndStoresTheEditsOnOk) {
  driver.Settings().getID = "*IDN?";
  driver.duringTest = {"PATH A1", "PATH B2"};
  driver.commands[ConfigurableSwitchMatrix::onTurntableChanged] = "ANGLE __degree__";
  WithDialog(driver, wxID_OK, [&](wxDialog& dialog) {
    EXPECT_EQ(PageTitles(dialog),
              (std::vector<std::string>{"Communication", "Custom 1", "Custom 2", "Custom 3", "Custom 4"}));

    EXPECT_EQ(Control<wxTextCtrl>(dialog, "ID_GETID")->GetValue(), "*IDN?");
    EXPECT_EQ(Control<wxTextCtrl>(dialog, "ID_TIMEOUT")->GetValue(), "10");
    EXPECT_EQ(Control<wxTextCtrl>(dialog, "ID_DURINGTEST")->GetValue(), "PATH A1\nPATH B2");
    EXPECT_EQ(Control<wxTextCtrl>(dialog, "ID_TURNTABLE_MOVEMENT_CHANGED")->GetValue(), "ANGLE __degree__");
    EXPECT_FALSE(Control<wxCheckBox>(dialog, "ID_READBACK")->GetValue());

    Control<wxTextCtrl>(dialog, "ID_INIT")->ChangeValue("SYST:REM\\n");
    Control<wxTextCtrl>(dialog, "ID_RETURNEDID")->ChangeValue("WATTEX");
    Control<wxTextCtrl>(dialog, "ID_TIMEOUT")->ChangeValue("2.5");
    Control<wxCheckBox>(dialog, "ID_WAITFORCOMPLETION")->SetValue(true);
    Control<wxTextCtrl>(dialog, "ID_DURINGTEST")->ChangeValue("A\n\nB\r\nC\n");
    Control<wxTextCtrl>(dialog, "ID_AFTERTEST")->ChangeValue("RESET");
    Control<wxCheckBox>(dialog, "ID_READBACK")->SetValue(true);
    Control<wxTextCtrl>(dialog, "ID_FREQUENCY_CHANGED")->ChangeValue("FREQ __freqMHz__");
    Control<wxTextCtrl>(dialog, "ID_FIELD_MEASURED")->ChangeValue("FIELD __result__");
    Control<wxTextCtrl>(dialog, "ID_ANTENNA_MOVEMENT_CHANGED")->ChangeValue("MOVED __height__");
    Control<wxTextCtrl>(dialog, "ID_TURNTABLE_MOVEMENT_CHANGED")->ChangeValue("");
    // Sized for its largest page (the transports' panels are not stacked), so it fits a small screen.
    EXPECT_LE(dialog.GetSize().y, 768);
    Picture(dialog, "Custom 1", "WattexSwitch-Custom1");
  });

  EXPECT_EQ(driver.Settings().init, "SYST:REM\\n");
  EXPECT_EQ(driver.Settings().returnedID, "WATTEX");
  EXPECT_EQ(driver.GetExpectedResponse(), "WATTEX");
  EXPECT_EQ(driver.Settings().timeOutTimeSeconds, 2.5);
  EXPECT_TRUE(driver.Settings().sendAndWaitForCompletion);
  EXPECT_EQ(driver.duringTest, (std::vector<std::string>{"A", "B", "C"}));
  EXPECT_EQ(driver.afterTest, std::vector<std::string>{"RESET"});
  EXPECT_TRUE(driver.performReadAfterWrite);
  EXPECT_EQ(driver.commands[ConfigurableSwitchMatrix::onFrequencyChanged], "FREQ __freqMHz__");
  EXPECT_EQ(driver.commands[ConfigurableSwitchMatrix::onFieldSensorMeasured], "FIELD __result__");
  EXPECT_EQ(driver.commands[ConfigurableSwitchMatrix::onAntennaTowerChanged], "MOVED __height__");
  EXPECT_EQ(driver.commands[ConfigurableSwitchMatrix::onTurntableChanged], "");

  TestDirectory dir;
  const std::string ini = dir.File("wattex.ini");
  ASSERT_EQ(driver.SaveConfiguration(0, ini.c_str()), 0u);
  const std::string text = ReadFile(ini);
  for (const char* line : {"Init=SYST:REM\\n\n", "TimeOutTimeSeconds=2.5\n", "SendAndWaitForCompletion=1\n",
                           "DuringTest=A\n", "DuringTest2=B\n", "DuringTest3=C\n", "DuringTest4=\n",
                           "AfterTest=RESET\n", "PerformReadAfterWrite=1\n", "onAntennaTowerChanged=MOVED __height__\n",
                           "onTurntableChanged=\n"})
    EXPECT_NE(text.find(line), std::string::npos) << line << " missing in\n" << text;
}

TEST_F(ConfigurableSwitchMatrixDialog, ATimeOutOutOfRangeKeepsTheDialogOpen) {
  int round = 0;
  SetDialogShownHook([&](wxDialog& dialog) {
    Control<wxTextCtrl>(dialog, "ID_TIMEOUT")->ChangeValue("0");
    Press(dialog, wxID_OK);
    ++round;
    EXPECT_TRUE(dialog.IsModal());
    Control<wxTextCtrl>(dialog, "ID_TIMEOUT")->ChangeValue("ten");
    Press(dialog, wxID_OK);
    EXPECT_TRUE(dialog.IsModal());
    Control<wxTextCtrl>(dialog, "ID_TIMEOUT")->ChangeValue("0.5");
    Press(dialog, wxID_OK);
  });
  EXPECT_EQ(driver.ShowConfigurationDialog(0), 0u);
  EXPECT_EQ(round, 1);
  EXPECT_EQ(driver.Settings().timeOutTimeSeconds, 0.5);
}
