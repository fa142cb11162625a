#pragma once
// A Hubline card with one or two six-position switches A and B (addressed
// with the "INT" prefix) and, when the model supports them, external switch
// boxes; a "during" and an "after" position for every switch.
#include <array>
#include <string>
#include <vector>

#include "drivers/hubline/HublineExternalBoxes.h"
#include "drivers/hubline/HublineSwitchBase.h"

namespace hublineswitch6point {
SWM_ENUM(PortNumbers, OutputDoNotChange = 0, Output1 = 1, Output2 = 2, Output3 = 3, Output4 = 4, Output5 = 5,
         Output6 = 6)
SWM_ENUM(PortNumbersExtern, ExternOutputDoNotChange = 0, ExternOutput1 = 1, ExternOutput2 = 2,
         ExternOutput3 = 3, ExternOutput4 = 4, ExternOutput5 = 5, ExternOutput6 = 6)
}  // namespace hublineswitch6point

class HublineSwitch6Point : public HublineSwitchBase {
public:
  using PortNumbers = hublineswitch6point::PortNumbers;
  using PortNumbersExtern = hublineswitch6point::PortNumbersExtern;
  static constexpr int kSwitches = 2;
  static constexpr const char* kTable = "HublineSwitch6Point";

  HublineSwitch6Point(const std::string& expectedIdentification, int count, bool externalBoxesSupported);

  uint32_t LoadProgramSettings(uint32_t hostContext, SettingsStore store) override;
  uint32_t SaveProgramSettings(uint32_t hostContext, SettingsStore store) override;

  Status SetRelays(int state) override;
  // Six-position cards are not probed: the interlock request always finds them alive.
  Status AliveCheck() override { return 0; }
  std::string ModelName() const override { return "TQS6PA"; }
  int Count() const override { return count_; }
  std::vector<std::string> InternalChoiceTexts() const override;
  std::vector<std::string> ExternalChoiceTexts() const override;
  // The prefix of the switches' commands: "INT_RELAY_A_3".
  virtual std::string SwitchPrefix() const { return "INT"; }

  // internal[state][switch], state 0 "during" and 1 "after"; both start at "Output 1".
  std::array<std::array<PortNumbers, kSwitches>, 2> internal{};
  HublineExternalBoxes<PortNumbersExtern> boxes;

private:
  int count_;
};
