#pragma once
// Interlock monitor of the broadband amplifier: on every frequency step
// (event 7) it asks the amplifier for its interlock state ("SENS:INT?") and
// reports an open device or group interlock as the event's status.
#include <string>

#include "framework/SwitchMatrixBase.h"
#include "settings/StorableMemberVariable.h"
#include "streams/TwoBaseClasses.h"

class BBA_IL : public TwoBaseClasses<SwitchMatrixBase> {
public:
  static constexpr const char* kTable = "BBA_IL";
  static constexpr const char* kTransports = "VISA;CompliantGPIB";
  static constexpr const char* kQuery = "SENS:INT?";
  static constexpr size_t kReplyLimit = 200;

  explicit BBA_IL(const std::string& expectedIdentification = "Rohde & Schwarz,BBA100");

  Status CheckDevice(HostWindow hWnd) override { return RunIdentificationCheck(hWnd); }
  Status InitDevice(HostWindow hWnd) override;
  Status DeInitDevice(HostWindow hWnd) override { return DisconnectStream(hWnd); }
  Status HandleEvent(HostWindow hWnd, const uint32_t* event, const double* value) override;
  // Request 1 ("InterlockClosed") asks the amplifier as event 7 does: 1 only
  // when that query passes, else 0 with its status.
  Status HandleRequest(HostWindow hWnd, const uint32_t* request, void* data) override;
  Status AddConfigurationDialogPanels(HostWindow hWnd, PanelList& panels) override;
  std::string OwnErrorText(Status status) override;

  // Asks the interlock state and judges the answer.
  virtual Status QueryInterlock();

  bool DeviceInterlockCheck() const { return deviceInterlock_; }
  void SetDeviceInterlockCheck(bool on) { deviceInterlock_ = on; }
  int GroupInterlock() const { return groupInterlock_; }
  void SetGroupInterlock(int group) { groupInterlock_ = group; }
  int PauseMilliseconds() const { return pauseMilliseconds_; }

private:
  StorableMemberVariable<bool> deviceInterlock_;
  StorableMemberVariable<int> groupInterlock_;
  int pauseMilliseconds_ = 500;
};
