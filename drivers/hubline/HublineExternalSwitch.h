#pragma once
// A Hubline card with internal change-over relays A–D and up to four external
// switch boxes of four six-position switches each, with a "during" and an
// "after" setting for every relay and box switch.
#include <array>
#include <string>
#include <vector>

#include "drivers/hubline/HublineExternalBoxes.h"
#include "drivers/hubline/HublineSwitchBase.h"

namespace hublineexternalswitch {
SWM_ENUM(PortNumbersExtern, PositionDoNotChange = 0, Position1 = 1, Position2 = 2, Position3 = 3, Position4 = 4,
         Position5 = 5, Position6 = 6)
}

class HublineExternalSwitch : public HublineSwitchBase {
public:
  using PortNumbersExtern = hublineexternalswitch::PortNumbersExtern;
  static constexpr int kRelays = 4;
  static constexpr const char* kTable = "HublineExternalSwitch";

  HublineExternalSwitch(const std::string& expectedIdentification, int count, bool externalBoxesSupported);

  uint32_t LoadProgramSettings(uint32_t hostContext, SettingsStore store) override;
  uint32_t SaveProgramSettings(uint32_t hostContext, SettingsStore store) override;

  Status SetRelays(int state) override;
  std::string ModelName() const override { return "TQS4PAExt"; }
  int Count() const override { return count_; }
  std::vector<std::string> ExternalChoiceTexts() const override;

  // internal[state][relay], state 0 "during" and 1 "after".
  std::array<std::array<RelaisSettings, kRelays>, 2> internal{};
  HublineExternalBoxes<PortNumbersExtern> boxes;

private:
  int count_;
};
