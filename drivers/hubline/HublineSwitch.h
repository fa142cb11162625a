#pragma once
// A Hubline card with up to four internal change-over relays A–D and four
// external outputs 1–4, each with a "during" and an "after" setting.
#include <array>
#include <string>

#include "drivers/hubline/HublineSwitchBase.h"

SWM_ENUM(PortNumbersExtern, ExternDoNotChange = 0, ExternActive = 1, ExternIdle = 2)

class HublineSwitch : public HublineSwitchBase {
public:
  static constexpr int kRelays = 4;
  static constexpr const char* kTable = "HublineSwitch";

  HublineSwitch(const std::string& expectedIdentification, int count, bool externalBoxesSupported);

  uint32_t LoadProgramSettings(uint32_t hostContext, SettingsStore store) override;
  uint32_t SaveProgramSettings(uint32_t hostContext, SettingsStore store) override;

  Status SetRelays(int state) override;
  std::string ModelName() const override { return count_ == 4 ? "TQS4PA" : "TQS2PA"; }
  int Count() const override { return count_; }
  std::vector<std::string> ExternalChoiceTexts() const override { return {"Do not change", "Active", "Idle"}; }

  std::array<std::array<RelaisSettings, kRelays>, 2> internal{};
  std::array<std::array<PortNumbersExtern, kRelays>, 2> external{};

private:
  int count_;
};
