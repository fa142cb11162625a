#pragma once
// The Denkovi DAE-CB/Ro16 board: 16 relays switched over a device stream
// with "<nn>-//" (normally closed) and "<nn>+//" (normally open), the
// normally closed ones first, each followed by a 10 ms pause. The board
// answers "ask//" with two bytes (its relay states), which is how it is
// checked; commands and answers carry no terminators.
#include <array>
#include <string>
#include <vector>

#include "drivers/common/StreamSwitchMatrix.h"

class DAE_CB_RO16 : public StreamSwitchMatrix {
public:
  static constexpr int kRelays = 16;
  static constexpr int kNormallyClosed = 1;
  static constexpr int kNormallyOpen = 2;
  static constexpr int kDoNotSwitch = 100;
  static constexpr uint32_t kPauseMilliseconds = 10;
  // How long the check waits for a third byte of an answer.
  static constexpr double kLongerAnswerWaitSeconds = 0.05;
  static constexpr const char* kTable = "DENKOVI_SwitchMatrix";
  static constexpr const char* kPanelName = "SwitchMatrixPanel";

  DAE_CB_RO16();

  uint32_t LoadProgramSettings(uint32_t hostContext, SettingsStore store) override;
  uint32_t SaveProgramSettings(uint32_t hostContext, SettingsStore store) override;
  Status CheckDevice(HostWindow hWnd) override;
  Status HandleEvent(HostWindow hWnd, const uint32_t* event, const double* value) override;
  Status AddConfigurationDialogPanels(HostWindow hWnd, PanelList& panels) override;
  Status PredefineStreamConfiguration(uint32_t hostContext) override;

  // Set 0 (during) or 1 (after); the first failing command ends it.
  virtual Status ApplySet(int set);
  // The commands of a set in the order they are sent.
  std::vector<std::string> Commands(int set) const;

  int Setting(int set, int relay) const { return settings_[set][relay]; }
  void SetSetting(int set, int relay, int value) { settings_[set][relay] = value; }

private:
  std::array<std::array<int, kRelays>, 2> settings_;
};
