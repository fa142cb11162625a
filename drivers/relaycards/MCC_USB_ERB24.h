#pragma once
// Relay boards of Measurement Computing driven through their Universal
// Library: per relay a "during" and an "after" setting (normally closed,
// normally open, or leave it), the during set on event 3 and the after set
// on event 2, one bit of the first port per relay.
#include <string>
#include <vector>

#include "framework/SwitchMatrixBase.h"

class MCC_USB_ERBBase : public SwitchMatrixBase {
public:
  static constexpr int kNormallyClosed = 1;
  static constexpr int kNormallyOpen = 2;
  static constexpr int kDoNotSwitch = 100;
  // Switching before this driver opened the board.
  static constexpr Status kNotOpen = 0x3000B0F6;
  static constexpr const char* kTable = "MCC_USB_ERB";
  static constexpr const char* kDialogName = "MCC_USB_ERB24Dialog";

  ~MCC_USB_ERBBase() override;

  virtual int Count() const = 0;

  uint32_t LoadProgramSettings(uint32_t hostContext, SettingsStore store) override;
  uint32_t SaveProgramSettings(uint32_t hostContext, SettingsStore store) override;
  Status CheckDevice(HostWindow hWnd) override;
  Status InitDevice(HostWindow hWnd) override;
  Status DeInitDevice(HostWindow hWnd) override;
  Status HandleEvent(HostWindow hWnd, const uint32_t* event, const double* value) override;
  Status GetErrorString(HostWindow hWnd, uint32_t err, char* buffer, uint32_t bufferSize,
                        uint32_t* read) override;
  Status AddConfigurationDialogPanels(HostWindow hWnd, PanelList& panels) override;

  // Set 0 (during) or 1 (after): one bit per relay that is not left, stopping at the first error.
  virtual Status ApplySet(int set);

  int Setting(int set, int relay);
  void SetSetting(int set, int relay, int value);

private:
  void EnsureSize();

  std::vector<int> settings_[2];
  bool opened_ = false;
};

class MCC_USB_ERB24 : public MCC_USB_ERBBase {
public:
  int Count() const override { return 24; }
};
