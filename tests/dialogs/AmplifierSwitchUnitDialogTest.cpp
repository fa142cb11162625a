// The dialogs of the amplifier, Teseq/Comtest and OSP drivers in a real
// window: their pages, the values shown, edits stored on OK and kept out on
// Cancel, and an OSP slot whose relay choices follow the chosen module.
#include <gtest/gtest.h>
#include <wx/checkbox.h>
#include <wx/choice.h>
#include <wx/dialog.h>
#include <wx/textctrl.h>

#include "DialogSteps.h"
#include "drivers/amplifier/BBA_IL.h"
#include "drivers/amplifier/BONN_BAS.h"
#include "drivers/amplifier/BONN_IL.h"
#include "drivers/amplifier/BonnBas.h"
#include "drivers/comtest/ComtestMCP01.h"
#include "drivers/osp/OSP.h"
#include "drivers/teseq/TeseqRFB6000.h"
#include "support/Gui.h"

namespace {
std::string Selected(wxDialog& dialog, const char* id) {
  auto* choice = Control<wxChoice>(dialog, id);
  return choice ? choice->GetStringSelection().utf8_string() : "(no control " + std::string(id) + ")";
}
}  // namespace

TEST(AmplifierDialogs, InterlockMonitorSettingsAreShownAndStored) {
  REQUIRE_GUI();
  BBA_IL bba;
  bba.SetGroupInterlock(2);
  WithDialog(bba, wxID_OK, [&](wxDialog& dialog) {
    EXPECT_EQ(PageTitles(dialog), (std::vector<std::string>{"Communication", "Identification", "Settings"}));
    EXPECT_FALSE(Control<wxCheckBox>(dialog, "ID_DEVICE_INTERLOCK")->GetValue());
    EXPECT_EQ(Control<wxTextCtrl>(dialog, "ID_GROUP_INTERLOCK")->GetValue(), "2");
    Control<wxCheckBox>(dialog, "ID_DEVICE_INTERLOCK")->SetValue(true);
    Control<wxTextCtrl>(dialog, "ID_GROUP_INTERLOCK")->SetValue("3");
  });
  EXPECT_TRUE(bba.DeviceInterlockCheck());
  EXPECT_EQ(bba.GroupInterlock(), 3);

  BONN_IL bonn;
  WithDialog(bonn, wxID_OK, [&](wxDialog& dialog) {
    EXPECT_EQ(PageTitles(dialog), (std::vector<std::string>{"Communication", "Settings"}));
    EXPECT_EQ(Control<wxTextCtrl>(dialog, "ID_BONN_PROTOCOL")->GetValue(), "4");
    Control<wxTextCtrl>(dialog, "ID_GETID")->SetValue("BAS 1000");
    Control<wxCheckBox>(dialog, "ID_USE_EXECUTION_RESULT")->SetValue(true);
    Control<wxTextCtrl>(dialog, "ID_BONN_PROTOCOL")->SetValue("1");
    Picture(dialog, "Settings", "BONN_IL-Settings");
  });
  EXPECT_EQ(bonn.ReturnedID(), "BAS 1000");
  EXPECT_TRUE(bonn.UseExecutionResult());
  EXPECT_EQ(bonn.AmplifierProtocol(), 1u);
}

TEST(AmplifierDialogs, BandSwitchSelectionsOfferTheirListsAndCancelKeepsThem) {
  REQUIRE_GUI();
  BONN_BAS bas;
  WithDialog(bas, wxID_OK, [&](wxDialog& dialog) {
    EXPECT_EQ(PageTitles(dialog), (std::vector<std::string>{"Communication", "Identification", "Switch Setting"}));
    EXPECT_EQ(Entries(Control<wxChoice>(dialog, "ID_DURING_RELAIS")), BONN_BAS::BandCommands());
    EXPECT_EQ(Selected(dialog, "ID_AFTER_RELAIS"), "");
    Choose(dialog, "ID_DURING_RELAIS", "BAND=B2/ANT2");
    Choose(dialog, "ID_AFTER_RELAIS", "BAND=DIR/9k-18GHz");
  });
  EXPECT_EQ(bas.SelectedBefore(), "BAND=B2/ANT2");
  EXPECT_EQ(bas.SelectedAfter(), "BAND=DIR/9k-18GHz");
  WithDialog(bas, wxID_CANCEL, [&](wxDialog& dialog) { Choose(dialog, "ID_DURING_RELAIS", "BAND=B1/LOAD"); });
  EXPECT_EQ(bas.SelectedBefore(), "BAND=B2/ANT2");

  BonnBas gpib;
  gpib.SetSetting(1, bonn::LowBand);
  WithDialog(gpib, wxID_OK, [&](wxDialog& dialog) {
    EXPECT_EQ(PageTitles(dialog), (std::vector<std::string>{"GPIB", "Switch Setting"}));
    EXPECT_EQ(Entries(Control<wxChoice>(dialog, "ID_AFTER_RELAIS")),
              (std::vector<std::string>{"Do not switch", "Low Band", "High Band"}));
    EXPECT_EQ(Selected(dialog, "ID_AFTER_RELAIS"), "Low Band");
    Choose(dialog, "ID_DURING_RELAIS", "High Band");
  });
  EXPECT_EQ(gpib.Setting(0), bonn::HighBand);
  EXPECT_EQ(gpib.Setting(1), bonn::LowBand);
}

TEST(SwitchUnitDialogs, SlotAndRelayChoicesAreStored) {
  REQUIRE_GUI();
  TeseqRFB6000 teseq;
  teseq.SetSetting('J', TeseqRFB6000::kAfter, teseq::Output6);
  WithDialog(teseq, wxID_OK, [&](wxDialog& dialog) {
    EXPECT_EQ(PageTitles(dialog), (std::vector<std::string>{"Communication", "Identification", "Settings"}));
    EXPECT_EQ(Entries(Control<wxChoice>(dialog, "ID_DURING_RELAIS_INT_0")), TeseqRFB6000::SwitchStateTexts());
    EXPECT_EQ(Selected(dialog, "ID_AFTER_RELAIS_INT_9"), "Output 6");
    Choose(dialog, "ID_DURING_RELAIS_INT_2", "No output");
    Choose(dialog, "ID_AFTER_RELAIS_INT_9", "Output 2");
    Picture(dialog, "Settings", "TeseqRFB6000-Settings");
  });
  EXPECT_EQ(teseq.Setting('C', TeseqRFB6000::kBefore), teseq::NoOutput);
  EXPECT_EQ(teseq.Setting('J', TeseqRFB6000::kAfter), teseq::Output2);

  ComtestMCP01 comtest;
  WithDialog(comtest, wxID_OK, [&](wxDialog& dialog) {
    EXPECT_EQ(Entries(Control<wxChoice>(dialog, "ID_AFTER_RELAIS_INT_6")), ComtestMCP01::RelayStateTexts());
    EXPECT_EQ(Control<wxChoice>(dialog, "ID_DURING_RELAIS_INT_0"), nullptr);
    Choose(dialog, "ID_DURING_RELAIS_INT_1", "Normally Open");
    Choose(dialog, "ID_AFTER_RELAIS_INT_6", "Normally Closed");
  });
  EXPECT_EQ(comtest.Setting(1, ComtestMCP01::kBefore), comtest::NormallyOpen);
  EXPECT_EQ(comtest.Setting(6, ComtestMCP01::kAfter), comtest::NormallyClosed);
}

TEST(SwitchUnitDialogs, OSPRelayChoicesFollowTheSlotsModule) {
  REQUIRE_GUI();
  OSP::OSP230 osp;
  osp.SetModule(0, OSP::ModuleOSP_B107);
  osp.SetPosition(OSP::OSP::kDuring, 0, 15, "NO");
  WithDialog(osp, wxID_OK, [&](wxDialog& dialog) {
    EXPECT_EQ(PageTitles(dialog), (std::vector<std::string>{"Communication", "Identification", "Switches"}));
    EXPECT_EQ(Selected(dialog, "ID_SELECTMODULE_SLOT0"), "ModuleOSP_B107");
    EXPECT_EQ(Control<wxChoice>(dialog, "ID_SELECTMODULE_SLOT0")->GetCount(), 20u);
    EXPECT_EQ(Entries(Control<wxChoice>(dialog, "ID_DURING_RELAIS15_SLOT0")),
              (std::vector<std::string>{"Do not switch", "NC", "NO"}));
    EXPECT_EQ(Selected(dialog, "ID_DURING_RELAIS15_SLOT0"), "NO");
    // The frame has five slots: the sixth is not offered.
    EXPECT_TRUE(Control<wxChoice>(dialog, "ID_SELECTMODULE_SLOT4")->IsEnabled());
    EXPECT_FALSE(Control<wxChoice>(dialog, "ID_SELECTMODULE_SLOT5")->IsEnabled());
    // Another module refills the slot's relays; relays it does not have are disabled.
    Choose(dialog, "ID_SELECTMODULE_SLOT1", "ModuleOSP_B119");
    EXPECT_EQ(Entries(Control<wxChoice>(dialog, "ID_AFTER_RELAIS0_SLOT1")).size(), 9u);
    EXPECT_TRUE(Control<wxChoice>(dialog, "ID_AFTER_RELAIS0_SLOT1")->IsEnabled());
    EXPECT_FALSE(Control<wxChoice>(dialog, "ID_AFTER_RELAIS1_SLOT1")->IsEnabled());
    Choose(dialog, "ID_AFTER_RELAIS0_SLOT1", "Position 8");
    Picture(dialog, "Switches", "OSP230-Switches");
  });
  EXPECT_EQ(osp.Module(1), OSP::ModuleOSP_B119);
  EXPECT_EQ(osp.Position(OSP::OSP::kAfter, 1, 0), "Position 8");
  EXPECT_EQ(osp.Position(OSP::OSP::kDuring, 0, 15), "NO");
}
