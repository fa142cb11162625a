#pragma once
// The older USB coaxial switch box with up to four relays, seen as a serial
// port. A state of the relays is one byte (bit i = relay i + 1); the box
// echoes the byte of its relays, whose low four bits are compared.
#include <array>
#include <cstdint>

#include "drivers/zevo/ZevoStatusByte.h"
#include "framework/SwitchMatrixBase.h"
#include "legacy/RS232DeviceDriver.h"
#include "settings/EnumClass.h"

namespace zevo {
SWM_ENUM(RelaisSettings, Off = 0, On = 1)
}

class ZevoSwt : public SwitchMatrixBase, public RS232DeviceDriver {
public:
  static constexpr const char* kTable = "ZevoSwt";
  static constexpr int kRelays = 4;
  static constexpr int kDuring = 0;
  static constexpr int kAfter = 1;
  static constexpr int kRounds = 20;
  static constexpr int kCheckTries = 5;
  static constexpr uint32_t kSettleMs = 900;
  static constexpr uint32_t kClearedMs = 100;
  static constexpr uint32_t kCheckPauseMs = 1000;
  // No round brought the echo of the state sent.
  static constexpr Status kNoEcho = 0x3000009A;

  using RelayStates = std::array<zevo::RelaisSettings, kRelays>;

  uint32_t LoadProgramSettings(uint32_t hostContext, SettingsStore store) override;
  uint32_t SaveProgramSettings(uint32_t hostContext, SettingsStore store) override;
  Status CheckDevice(HostWindow hWnd) override;
  Status InitDevice(HostWindow hWnd) override;
  Status DeInitDevice(HostWindow hWnd) override;
  Status HandleEvent(HostWindow hWnd, const uint32_t* event, const double* value) override;
  Status GetErrorString(HostWindow hWnd, uint32_t err, char* buffer, uint32_t bufferSize, uint32_t* read) override;
  Status ShowConfigurationDialog(HostWindow hWnd) override { return SwitchMatrixBase::ShowConfigurationDialog(hWnd); }
  Status AddConfigurationDialogPanels(HostWindow hWnd, PanelList& panels) override;

  // Sends the byte of the during (0) or after (1) state until the box echoes
  // it, at most kRounds times (kNoEcho when it never did); other values do nothing.
  virtual Status SetRelays(int which);

  static uint8_t StatusByte(const RelayStates& states);
  static bool EchoMatches(uint8_t sent, uint8_t echo) { return zevo::EchoMatches(sent, echo); }

  zevo::RelaisSettings Relay(int which, int index) const { return relays_[which][index]; }
  void SetRelay(int which, int index, zevo::RelaisSettings value) { relays_[which][index] = value; }

private:
  Status OpenPort();

  std::array<RelayStates, 2> relays_{};
  int lastEcho_ = -1;  // the last byte the box answered in SetRelays, -1 for none
};
