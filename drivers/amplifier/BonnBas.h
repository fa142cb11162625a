#pragma once
// Band switch of a BONN amplifier on the GPIB bus through the older GPIB
// device layer: "SW01_1" selects the low band, "SW01_2" the high band, when
// the test initialisation starts (event 3) and when the test has stopped
// (event 2).
#include <string>

#include "framework/SwitchMatrixBase.h"
#include "legacy/NI4882MGPIB.h"
#include "settings/EnumClass.h"

namespace bonn {
SWM_ENUM(RelaisSettings, DoNotSwitch = 0, LowBand = 1, HighBand = 2)
}

class BonnBas : public NI4882MGPIB, public SwitchMatrixBase {
public:
  static constexpr const char* kTable = "BonnBas";
  static constexpr size_t kIdentificationLimit = 100;

  BonnBas();

  // The texts of the settings 0, 1, 2 as the dialog offers them.
  static const std::vector<std::string>& SettingTexts();

  uint32_t LoadProgramSettings(uint32_t hostContext, SettingsStore store) override;
  uint32_t SaveProgramSettings(uint32_t hostContext, SettingsStore store) override;
  Status CheckDevice(HostWindow hWnd) override;
  Status InitDevice(HostWindow hWnd) override { return OpenDevice(hWnd); }
  Status DeInitDevice(HostWindow hWnd) override { return CloseDevice(hWnd); }
  Status HandleEvent(HostWindow hWnd, const uint32_t* event, const double* value) override;
  Status GetErrorString(HostWindow hWnd, uint32_t err, char* buffer, uint32_t bufferSize, uint32_t* read) override;
  Status AddConfigurationDialogPanels(HostWindow hWnd, PanelList& panels) override;
  Status ShowConfigurationDialog(HostWindow hWnd) override { return SwitchMatrixBase::ShowConfigurationDialog(hWnd); }

  // Sends the command of the setting of state 0 (during) or 1 (after).
  virtual Status SetBand(HostWindow hWnd, int which);
  // "GPIB:board,primary,secondary".
  std::string AddressName() const;

  bonn::RelaisSettings Setting(int which) const { return which == 0 ? during_ : after_; }
  void SetSetting(int which, bonn::RelaisSettings setting) { (which == 0 ? during_ : after_) = setting; }

private:
  bonn::RelaisSettings during_ = bonn::DoNotSwitch;
  bonn::RelaisSettings after_ = bonn::DoNotSwitch;
};
