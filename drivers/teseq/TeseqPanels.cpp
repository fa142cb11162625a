#include "drivers/teseq/TeseqPanels.h"

#include <string>

#include "dialogs/BoundPanel.h"
#include "drivers/comtest/ComtestMCP01.h"
#include "drivers/teseq/TeseqRFB6000.h"

void AddTeseqPanel(TeseqRFB6000& d, PanelList& panels) {
  panels.Add({[&d] {
                return new BoundPanel([&d](BoundPanel& p) {
                  for (int slot = 0; slot < 10; ++slot) {
                    const char letter = TeseqRFB6000::SlotLetters()[slot];
                    for (int which : {TeseqRFB6000::kBefore, TeseqRFB6000::kAfter}) {
                      const std::string id = (which == TeseqRFB6000::kBefore ? "ID_DURING_RELAIS_INT_" : "ID_AFTER_RELAIS_INT_") +
                                             std::to_string(slot);
                      p.BindChoice(id.c_str(), TeseqRFB6000::SwitchStateTexts(),
                                   [&d, letter, which] { return static_cast<int>(d.Setting(letter, which)); },
                                   [&d, letter, which](int i) { d.SetSetting(letter, which, static_cast<teseq::SwitchState>(i)); });
                    }
                  }
                });
              },
              "TeseqRFB6000Configuration", "Settings"});
}

void AddComtestPanel(ComtestMCP01& d, PanelList& panels) {
  panels.Add({[&d] {
                return new BoundPanel([&d](BoundPanel& p) {
                  for (int relay = 1; relay <= ComtestMCP01::kRelays; ++relay) {
                    for (int which : {ComtestMCP01::kBefore, ComtestMCP01::kAfter}) {
                      const std::string id = (which == ComtestMCP01::kBefore ? "ID_DURING_RELAIS_INT_" : "ID_AFTER_RELAIS_INT_") +
                                             std::to_string(relay);
                      p.BindChoice(id.c_str(), ComtestMCP01::RelayStateTexts(),
                                   [&d, relay, which] { return static_cast<int>(d.Setting(relay, which)); },
                                   [&d, relay, which](int i) { d.SetSetting(relay, which, static_cast<comtest::RelayState>(i)); });
                    }
                  }
                });
              },
              "ComtestMCP01Configuration", "Settings"});
}
