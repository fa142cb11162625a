// The dialogs of the relay cards, relay units, towers, EUT status reporter
// and Probex switch in a real window: each driver's pages and the controls
// named for it, values shown and stored on OK, the SC1000's switches enabled
// per model, the Toyo relay and setting choices, and the Probex antenna
// choice that only the high band has.
#include <gtest/gtest.h>
#include <wx/choice.h>
#include <wx/combobox.h>
#include <wx/dialog.h>
#include <wx/textctrl.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "DialogSteps.h"
#include "drivers/eutstatus/EUTVtxStatus.h"
#include "drivers/kre/KRE.h"
#include "drivers/kre/KREAntennaTower.h"
#include "drivers/probex/Probex5CalibrationSwitch.h"
#include "drivers/relaycards/AdvantechPCI1761.h"
#include "drivers/relaycards/DAE_CB_RO16.h"
#include "drivers/relaycards/MCC_USB_ERB24.h"
#include "drivers/sc1000/SC1000.h"
#include "drivers/toyo/ToyoNS4900.h"
#include "support/Gui.h"

namespace {
struct DialogCase {
  const char* name;
  std::function<std::unique_ptr<DeviceDriverBase>()> create;
  std::vector<std::string> pages;
  std::vector<std::string> controls;  // each must exist
};

std::vector<DialogCase> Cases() {
  return {
      {"MCC", [] { return std::make_unique<MCC_USB_ERB24>(); }, {"Relais"}, {"ID_DURING_RELAIS1", "ID_AFTER_RELAIS24"}},
      {"Advantech",
       [] { return std::make_unique<AdvantechPCI1761Switch>(); },
       {"Relais"},
       {"ID_DURING_RELAIS8", "ID_AFTER_RELAIS1", "ID_WAIT", "ID_DEVICE", "ID_SELECT_DEVICE"}},
      {"AdvantechTower",
       [] { return std::make_unique<AdvantechPCI1761AntennaTower>(); },
       {"Tower"},
       {"ID_WAITINGTIME", "ID_DEVICE"}},
      {"Denkovi",
       [] { return std::make_unique<DAE_CB_RO16>(); },
       {"Communication", "Identification", "Switch Matrix"},
       {"ID_DURING_RELAIS16", "ID_AFTER_RELAIS16"}},
      {"KRE", [] { return std::make_unique<KRE>(); }, {"Relais", "Communication", "Identification"}, {"ID_WAIT", "ID_DURING_RELAIS9"}},
      {"KRETower",
       [] { return std::make_unique<KREAntennaTower>(); },
       {"Tower", "Communication", "Identification"},
       {"ID_WAITINGTIME", "ID_AFTER_RELAIS9"}},
      {"SC1000",
       [] { return std::make_unique<SC1000>(); },
       {"Switches", "Communication", "Identification"},
       {"ID_ModelSelect", "ID_DURING_RELAIS7", "ID_AFTER_RELAIS7", "ID_EXPECTED_RESPONSE"}},
      {"Toyo",
       [] { return std::make_unique<ToyoNS4900>(3); },
       {"Communication", "Identification", "Relais"},
       {"ID_DURING_RELAIS", "ID_AFTER_RELAIS", "ID_DURING_TEXT", "ID_AFTER_TEXT", "ID_EXPECTED_RESPONSE"}},
      {"EUTStatus", [] { return std::make_unique<EUTVtxStatus>(); }, {}, {"ID_GETID", "ID_TIMEOUT"}},
      {"Probex",
       [] { return std::make_unique<Probex5CalibrationSwitch>(); },
       {"Communication", "Identification", "Hubline", "Software update", "Justatie Setting", "Programming Setting"},
       {"ID_Axis", "ID_Band", "ID_Antenna", "ID_SELECTEDAXIS", "ID_PROGRAM_TABLE"}},
  };
}
}  // namespace

TEST(RelayDriversDialog, EachDriverShowsItsPagesAndNamedControls) {
  REQUIRE_GUI();
  for (const DialogCase& c : Cases()) {
    SCOPED_TRACE(c.name);
    std::unique_ptr<DeviceDriverBase> driver = c.create();
    WithDialog(*driver, [&](wxDialog& dialog) {
      if (!c.pages.empty()) {
        EXPECT_EQ(PageTitles(dialog), c.pages);
      }
      for (const std::string& id : c.controls)
        EXPECT_NE(dialog.FindWindow(wxXmlResource::GetXRCID(id)), nullptr) << id;
    });
  }
}

TEST(RelayDriversDialog, Sc1000ModelEnablesItsSwitchesAndEverySettingIsStored) {
  REQUIRE_GUI();
  SC1000 driver;
  driver.SetPosition(0, 5, sc1000::Position2);
  WithDialog(driver, wxID_OK, [&](wxDialog& dialog) {
    EXPECT_EQ(Control<wxChoice>(dialog, "ID_DURING_RELAIS6")->GetStringSelection(), "Position2");
    EXPECT_FALSE(Control<wxChoice>(dialog, "ID_DURING_RELAIS6")->IsEnabled());  // the plain model has no switch 6
    auto* model = Control<wxComboBox>(dialog, "ID_ModelSelect");
    ASSERT_NE(model, nullptr);
    EXPECT_EQ(model->GetValue(), "ModelSC1000");
    const struct {
      const char* model;
      bool enabled[7];
    } rows[] = {{"ModelSC1000", {true, true, true, true, true, false, false}},
                {"ModelSC1000M1", {true, true, true, true, true, true, true}},
                {"ModelSC1000M2", {true, true, false, false, true, false, false}},
                {"ModelSC1000M3", {true, true, false, false, true, true, false}},
                {"ModelSC1000M4", {true, true, false, false, true, true, false}}};
    for (const auto& row : rows) {
      ASSERT_TRUE(model->SetStringSelection(row.model));
      wxCommandEvent event(wxEVT_COMBOBOX, model->GetId());
      event.SetEventObject(model);
      model->GetEventHandler()->ProcessEvent(event);
      for (int n = 1; n <= 7; ++n)
        for (const char* pattern : {"ID_DURING_RELAIS", "ID_AFTER_RELAIS"})
          EXPECT_EQ(dialog.FindWindow(wxXmlResource::GetXRCID(pattern + std::to_string(n)))->IsEnabled(),
                    row.enabled[n - 1])
              << row.model << " " << pattern << n;
    }
    Choose(dialog, "ID_AFTER_RELAIS2", "Position4");
    Control<wxTextCtrl>(dialog, "ID_WAIT")->SetValue("125");
  });
  EXPECT_EQ(driver.Model(), sc1000::ModelSC1000M4);
  EXPECT_EQ(driver.Position(1, 1), sc1000::Position4);
  EXPECT_EQ(driver.Position(0, 5), sc1000::Position2);  // disabled, still kept
  EXPECT_EQ(driver.Wait(), 125);
}

TEST(RelayDriversDialog, ToyoRelayAndSettingChoicesEditEachRelay) {
  REQUIRE_GUI();
  ToyoNS4900 driver(3);
  driver.SetSetting(1, 1, toyo::Set);
  WithDialog(driver, wxID_OK, [&](wxDialog& dialog) {
    EXPECT_EQ(Control<wxChoice>(dialog, "ID_DURING_RELAIS")->GetCount(), 3u);
    Choose(dialog, "ID_AFTER_RELAIS", "Relais 2");
    EXPECT_EQ(Control<wxChoice>(dialog, "ID_AFTER_TEXT")->GetStringSelection(), "Set");
    Choose(dialog, "ID_DURING_RELAIS", "Relais 3");
    Choose(dialog, "ID_DURING_TEXT", "Reset");
    Choose(dialog, "ID_DURING_RELAIS", "Relais 1");
    Choose(dialog, "ID_DURING_TEXT", "Set");
  });
  EXPECT_EQ(driver.Command(0), "S1R3");
  EXPECT_EQ(driver.Command(1), "S2");
}

TEST(RelayDriversDialog, TowersAndProbexStoreWhatTheirPagesShow) {
  REQUIRE_GUI();
  KREAntennaTower tower;
  WithDialog(tower, wxID_OK, [&](wxDialog& dialog) {
    EXPECT_EQ(Control<wxTextCtrl>(dialog, "ID_WAITINGTIME")->GetValue(), "10000");
    Control<wxTextCtrl>(dialog, "ID_WAITINGTIME")->SetValue("750");
    Choose(dialog, "ID_DURING_RELAIS2", "Position 5");
  });
  EXPECT_EQ(tower.WaitTime(), 750);
  EXPECT_EQ(tower.Command(0), "R2P5");

  Probex5CalibrationSwitch probe;
  WithDialog(probe, wxID_OK, [&](wxDialog& dialog) {
    EXPECT_TRUE(Control<wxChoice>(dialog, "ID_Antenna")->IsEnabled());
    Choose(dialog, "ID_Axis", "PX5_Zaxis");
    Choose(dialog, "ID_Band", "PX5_Low_Band");
    EXPECT_FALSE(Control<wxChoice>(dialog, "ID_Antenna")->IsEnabled());
    EXPECT_EQ(Control<wxChoice>(dialog, "ID_SELECTEDAXIS")->GetCount(), 6u);
  });
  EXPECT_EQ(probe.StartCommand(), "!ADJUST_START ZLB");
}
