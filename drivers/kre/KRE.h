#pragma once
// The KRE relay box as a switch matrix: the "Start" positions when the host
// starts initialising a test (event 3), the "Stop" positions when the test
// has stopped (event 2).
#include "drivers/kre/KREBase.h"
#include "framework/SwitchMatrixBase.h"

class KRE : public SwitchMatrixBase, public KREBase {
public:
  static constexpr const char* kTable = "KRE";
  static constexpr const char* kDialogName = "KREConfigDialog";

  KRE() : KREBase(kTable) {}

  uint32_t LoadProgramSettings(uint32_t hostContext, SettingsStore store) override;
  uint32_t SaveProgramSettings(uint32_t hostContext, SettingsStore store) override;
  Status CheckDevice(HostWindow hWnd) override;
  Status InitDevice(HostWindow hWnd) override;
  Status DeInitDevice(HostWindow hWnd) override;
  Status HandleEvent(HostWindow hWnd, const uint32_t* event, const double* value) override;
  Status GetErrorString(HostWindow hWnd, uint32_t err, char* buffer, uint32_t bufferSize,
                        uint32_t* read) override;
  Status AddConfigurationDialogPanels(HostWindow hWnd, PanelList& panels) override;
};
