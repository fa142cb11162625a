#pragma once
// An antenna tower whose only moving part is the polarisation, switched by
// a KRE relay box: polarisation 1 applies the "Start" positions, 2 the
// "Stop" positions, then the tower waits "WaitTime" for the antenna to turn.
// The height cannot change: a height given is only remembered; the
// physical range is 0.99 m to 4 m.
#include "drivers/kre/KREBase.h"
#include "framework/AntennaTowerBase.h"
#include "settings/StorableMemberVariable.h"

class KREAntennaTower : public AntennaTowerBase, public KREBase {
public:
  static constexpr const char* kTable = "KREAntennaTower";
  static constexpr const char* kDialogName = "KRETowerConfigDialog";
  static constexpr double kMinimumHeight = 0.99;
  static constexpr double kMaximumHeight = 4.0;

  KREAntennaTower();

  uint32_t LoadProgramSettings(uint32_t hostContext, SettingsStore store) override;
  uint32_t SaveProgramSettings(uint32_t hostContext, SettingsStore store) override;
  Status CheckDevice(HostWindow hWnd) override;
  Status InitDevice(HostWindow hWnd) override;
  Status DeInitDevice(HostWindow hWnd) override;
  Status GetErrorString(HostWindow hWnd, uint32_t err, char* buffer, uint32_t bufferSize,
                        uint32_t* read) override;
  Status AddConfigurationDialogPanels(HostWindow hWnd, PanelList& panels) override;
  Status GetInfo(HostWindow hWnd, uint32_t info, double* value) override;

  using AntennaTowerBase::GoToHeight;
  Status GoToHeight(HostWindow hWnd, const double* metres) override;
  Status PositionProgress(HostWindow hWnd, int32_t* percent) override;
  Status SetPolarization(HostWindow hWnd, const int32_t* polarization) override;
  Status GetCurrentHeight(HostWindow hWnd, void* metres) override;
  Status GetCurrentPolarization(HostWindow hWnd, int32_t* polarization) override;
  Status GetMinimumPhysicalHeight(HostWindow hWnd, void* metres) override;
  Status GetMaximumPhysicalHeight(HostWindow hWnd, void* metres) override;

  int WaitTime() const { return waitTime_; }
  // A negative time is kept as 0.
  void SetWaitTime(int milliseconds) { waitTime_ = milliseconds < 0 ? 0 : milliseconds; }

private:
  StorableMemberVariable<int> waitTime_;
  double height_ = 0.0;
  int32_t polarization_ = kHorizontal;
};
