#pragma once
// The Comtest MCP01 switch unit: six relays commanded together by one status
// byte (bit n-1 for relay n, set for "Normally Open"), written as a single
// raw byte. Every relay has a "before" setting, applied when the test
// initialisation starts (event 3), and an "after" setting, applied when the
// test has stopped (event 2); "Do not change" keeps the bit an earlier event set.
#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "framework/SwitchMatrixBase.h"
#include "settings/EnumClass.h"
#include "streams/TwoBaseClasses.h"

namespace comtest {
SWM_ENUM(RelayState, DoNotChange = 0, NormallyOpen = 1, NormallyClosed = 2)
}

class ComtestMCP01 : public TwoBaseClasses<SwitchMatrixBase> {
public:
  static constexpr const char* kTable = "COMTESTMCP01";
  static constexpr const char* kTransports = "VISA;GPIB";
  static constexpr Status kMissingKey = 0x3000DAC1;
  static constexpr int kRelays = 6;
  // The values of SetAll's argument.
  static constexpr int kAfter = 0;
  static constexpr int kBefore = 1;

  ComtestMCP01();

  static const std::vector<std::string>& RelayStateTexts();

  uint32_t LoadProgramSettings(uint32_t hostContext, SettingsStore store) override;
  uint32_t SaveProgramSettings(uint32_t hostContext, SettingsStore store) override;
  Status CheckDevice(HostWindow hWnd) override;
  Status InitDevice(HostWindow hWnd) override;
  Status DeInitDevice(HostWindow hWnd) override { return DisconnectStream(hWnd); }
  Status HandleEvent(HostWindow hWnd, const uint32_t* event, const double* value) override;
  Status AddConfigurationDialogPanels(HostWindow hWnd, PanelList& panels) override;
  std::string OwnErrorText(Status status) override;

  // Updates the status byte from the settings of `which` and writes it.
  virtual Status SetAll(int which);

  comtest::RelayState Setting(int relay, int which) const;
  void SetSetting(int relay, int which, comtest::RelayState state);
  uint8_t StatusByte() const { return statusByte_; }

private:
  Status WriteStatusByte();

  std::map<int, std::pair<comtest::RelayState, comtest::RelayState>> relays_;  // (before, after)
  uint8_t statusByte_ = 0;
};
