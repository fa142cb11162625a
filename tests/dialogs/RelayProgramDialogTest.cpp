// The dialogs of the GPIB relay controllers, the external program and the
// output cycling in a real window: their pages, the named controls (rows of
// relays a model lacks hidden), a value chosen in each and stored on OK.
#include <gtest/gtest.h>
#include <wx/choice.h>
#include <wx/dialog.h>
#include <wx/textctrl.h>

#include <functional>
#include <memory>

#include "DialogSteps.h"
#include "drivers/external/ExternalProgram.h"
#include "drivers/gpibrelay/EMCO5390.h"
#include "drivers/gpibrelay/HP11713A.h"
#include "drivers/gpibrelay/ICSMultiRelais.h"
#include "drivers/gpibrelay/SCIU.h"
#include "drivers/rsonoff/RSOnOff.h"
#include "interface/DeviceTypeRegistry.h"
#include "support/Gui.h"

namespace {
struct DialogCase {
  const char* key;
  std::vector<std::string> pages;
  std::vector<std::string> shown, hidden;  // controls
  const char* control;                     // a choice or text control the test sets
  const char* value;                       // the entry chosen, or the text typed
  std::vector<std::string> entries;        // the choice's entries (empty: not checked)
  std::function<bool(DeviceDriverBase&)> stored;
};

std::vector<std::string> Numbered(const char* format, int from, int to) {
  std::vector<std::string> names;
  for (int n = from; n <= to; ++n) names.push_back(wxString::Format(format, n).utf8_string());
  return names;
}
std::vector<std::string> Joined(std::vector<std::string> a, const std::vector<std::string>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}
template <class T>
long Relay(DeviceDriverBase& d, int set, int item) {
  return dynamic_cast<T&>(d).Settings().Get(set, item);
}

const std::vector<DialogCase>& Cases() {
  static const std::vector<DialogCase> cases = {
      {"HP11713A", {"Relays", "GPIB"}, Joined(Numbered("ID_DURING_RELAIS%d", 1, 10), Numbered("ID_AFTER_RELAIS%d", 1, 10)),
       {}, "ID_DURING_RELAIS3", "Reset", {"Do not change", "Set", "Reset"},
       [](DeviceDriverBase& d) { return Relay<HP11713A>(d, 0, 2) == 2; }},
      {"HP59307A", {"Switches", "GPIB"}, Numbered("ID_AFTER_RELAIS%d", 1, 2), {}, "ID_DURING_RELAIS2", "Position 4",
       {"Do not switch", "Position 1", "Position 2", "Position 3", "Position 4"},
       [](DeviceDriverBase& d) { return Relay<HP59307>(d, 0, 1) == 3 && Relay<HP59307>(d, 0, 0) == 100; }},
      {"ETS_LINDGREN2090", {"Outputs", "GPIB"}, Numbered("ID_DURING_RELAIS%d", 1, 4), {}, "ID_AFTER_RELAIS4", "Set", {},
       [](DeviceDriverBase& d) { return Relay<EMCO2090>(d, 1, 3) == 1; }},
      {"EMCO5390", {"Position", "GPIB"}, {"ID_DURING_POSITION", "ID_AFTER_POSITION"}, {}, "ID_AFTER_POSITION",
       "Position 12", Joined({"Position Load"}, Numbered("Position %d", 1, 12)),
       [](DeviceDriverBase& d) { return Relay<EMCO5390>(d, 1, 0) == 12 && Relay<EMCO5390>(d, 0, 0) == 0; }},
      {"SCIU_M3", {"Switches", "GPIB"}, Numbered("ID_AFTER_RELAIS%d", 1, 5), {}, "ID_AFTER_RELAIS5", "Position B",
       {"Do not change", "Position A", "Position B"}, [](DeviceDriverBase& d) { return Relay<SCIU>(d, 1, 4) == 2; }},
      {"ICS4874", {"Relays", "GPIB"},
       Joined(Numbered("ID_DURING_RELAIS_%d", 1, 24), {"ID_DURING_ROW2", "ID_AFTER_ROW2", "ID_DURING_ROW3", "ID_AFTER_ROW3"}),
       {}, "ID_AFTER_RELAIS_17", "Set", {"Leave", "Set", "Reset"},
       [](DeviceDriverBase& d) { return Relay<ICSMultiRelais>(d, 1, 16) == 1; }},
      {"ICS4864", {"Relays", "GPIB"}, Joined(Numbered("ID_AFTER_RELAIS_%d", 1, 16), {"ID_DURING_ROW2", "ID_AFTER_ROW2"}),
       {"ID_DURING_ROW3", "ID_AFTER_ROW3"}, "ID_DURING_RELAIS_16", "Reset", {},
       [](DeviceDriverBase& d) { return Relay<ICSMultiRelais>(d, 0, 15) == 2; }},
      {"ICS4874INTERLOCK", {"Interlock", "Relays", "GPIB"}, {"ID_INTERLOCK", "ID_AFTER_RELAIS_24"}, {}, "ID_INTERLOCK",
       "Input 6", Numbered("Input %d", 1, 8),
       [](DeviceDriverBase& d) { return dynamic_cast<ICS4874Interlock&>(d).InterlockInput() == 5; }},
      {"TADIRAN_HP8494", {"GPIB"}, {"ID_PRIMARYADDRESS"}, {}, "ID_PRIMARYADDRESS", "12", {},
       [](DeviceDriverBase& d) { return dynamic_cast<HP8494Switch&>(d).GetPrimaryAddress() == 12; }},
      {"EXTERNAL_PROGRAM", {"Program"}, {"ID_START", "ID_STOP"}, {}, "ID_STOP", "notify-send 'test over'", {},
       [](DeviceDriverBase& d) { return dynamic_cast<ExternalProgram&>(d).after == "notify-send 'test over'"; }},
      {"RSONOFF", {"Output cycling", "GPIB"}, {"ID_ONTIME", "ID_OFFTIME", "ID_CYCLES"}, {}, "ID_CYCLES", "25", {},
       [](DeviceDriverBase& d) { return dynamic_cast<RSOnOff&>(d).cycles == 25; }},
  };
  return cases;
}
}  // namespace

TEST(RelayProgramDialogs, ShowTheirNamedControlsAndStoreWhatIsChosen) {
  REQUIRE_GUI();
  for (const DialogCase& c : Cases()) {
    SCOPED_TRACE(c.key);
    std::unique_ptr<DeviceDriverBase> driver = CreateDeviceDriver(c.key);
    ASSERT_NE(driver, nullptr);
    WithDialog(*driver, wxID_OK, [&](wxDialog& dialog) {
      EXPECT_EQ(PageTitles(dialog), c.pages);
      for (const std::string& id : c.shown) EXPECT_TRUE(Shown(dialog, id)) << id;
      for (const std::string& id : c.hidden) EXPECT_FALSE(Shown(dialog, id)) << id;
      EXPECT_TRUE(SaveScreenshot(dialog, std::string("RelayProgram-") + c.key));  // for people to look at
      if (auto* choice = Control<wxChoice>(dialog, c.control)) {
        if (!c.entries.empty()) {
          EXPECT_EQ(Entries(choice), c.entries);
        }
        EXPECT_TRUE(choice->SetStringSelection(c.value));
      } else if (auto* text = Control<wxTextCtrl>(dialog, c.control)) {
        text->SetValue(wxString::FromUTF8(c.value));
      } else {
        ADD_FAILURE() << "no control " << c.control;
      }
    });
    EXPECT_TRUE(c.stored(*driver)) << "the chosen value was not stored";
  }
}
