#pragma once
// The Toyo NS4900 relay unit: per relay a "during" and an "after" setting
// (leave, set, reset); event 3 sends every during setting and event 2 every
// after setting as one command such as "S1R3". The unit is told the whole
// set each time: nothing is remembered between events.
#include <array>
#include <memory>
#include <string>

#include "drivers/common/StreamSwitchMatrix.h"
#include "settings/EnumClass.h"
#include "settings/StorableMemberVariable.h"

namespace toyo {
SWM_ENUM(RelaisSettings, MIN_RELAIS_SELECTION = 0, DoNotChange = MIN_RELAIS_SELECTION, Set, Reset,
         MAX_RELAIS_SELECTION = Reset)
}  // namespace toyo

class ToyoNS4900 : public StreamSwitchMatrix {
public:
  static constexpr int kRelays = 10;
  static constexpr int kDuring = 0;
  static constexpr int kAfter = 1;
  static constexpr const char* kPanelName = "ToyoNS49ConfigPanel";
  static constexpr const char* kPanelTitle = "Relais";

  // relayCount: how many relays the commands cover (1 to 10).
  explicit ToyoNS4900(int relayCount);

  Status CheckDevice(HostWindow hWnd) override;
  Status HandleEvent(HostWindow hWnd, const uint32_t* event, const double* value) override;
  Status AddConfigurationDialogPanels(HostWindow hWnd, PanelList& panels) override;

  // Sends set 0 (during) or 1 (after); any other set sends nothing.
  virtual Status SendSettings(int set);
  // "S1R3" for relays 1 set and 3 reset; relays above the count are left out.
  std::string Command(int set) const;

  int RelayCount() const { return relayCount_; }
  toyo::RelaisSettings Setting(int set, int relay) const { return settings_[set][relay]->Value(); }
  void SetSetting(int set, int relay, toyo::RelaisSettings value) { *settings_[set][relay] = value; }

private:
  int relayCount_;
  std::array<std::array<std::unique_ptr<StorableMemberVariable<toyo::RelaisSettings>>, kRelays>, 2> settings_;
};
