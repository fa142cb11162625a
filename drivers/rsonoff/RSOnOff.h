#pragma once
// Switches a GPIB instrument's output on and off in timed cycles while the
// host waits for the dwell time: "DwellTimeStartOk" (request 2) starts the
// cycles with the output counted as on; every "DwellTimeStopOk" (request 3)
// the host sends while it waits switches the output off after the on time
// and on again after the off time ("OUTPUT OFF" / "OUTPUT ON"), until the
// number of cycles has been reached; then the output is left on and the
// request is answered 1 (the dwell may stop). Times come from the driver's
// clock (milliseconds).
#include "dialogs/PanelList.h"
#include "framework/SwitchMatrixBase.h"
#include "legacy/NI4882MGPIB.h"

class RSOnOff : public SwitchMatrixBase, public NI4882MGPIB {
public:
  static constexpr const char* kTable = "RSOnOff";
  static constexpr long kDefaultOnTime = 1000;
  static constexpr long kDefaultOffTime = 1000;
  static constexpr long kDefaultCycles = 10;

  RSOnOff();

  uint32_t LoadProgramSettings(uint32_t hostContext, SettingsStore store) override;
  uint32_t SaveProgramSettings(uint32_t hostContext, SettingsStore store) override;
  Status InitDevice(HostWindow hWnd) override { return OpenDevice(hWnd); }
  Status DeInitDevice(HostWindow hWnd) override { return CloseDevice(hWnd); }
  Status ShowConfigurationDialog(HostWindow hWnd) override { return ShowTabbedConfigurationDialog(hWnd); }
  Status AddConfigurationDialogPanels(HostWindow hWnd, PanelList& panels) override;
  Status GetErrorString(HostWindow hWnd, uint32_t err, char* buffer, uint32_t bufferSize, uint32_t* read) override;
  Status HandleRequest(HostWindow hWnd, const uint32_t* request, void* data) override;

  long onTime = kDefaultOnTime;    // ms
  long offTime = kDefaultOffTime;  // ms
  long cycles = kDefaultCycles;
  bool OutputOn() const { return outputOn_; }
  unsigned CycleCounter() const { return cycleCounter_; }

private:
  Status Switch(HostWindow hWnd, bool on);

  bool outputOn_ = false;
  unsigned cycleCounter_ = 0;
  uint32_t lastSwitch_ = 0;
};
