#pragma once
// The mk-Messtechnik on-screen display, which writes text into the picture
// of an EUT monitoring camera. Registered as a switch matrix so that it gets
// every host event: from them it keeps a table of live test values, shows
// ten text lines with placeholders for them plus the date and the time, and
// can pause the unit's picture-change detector outside the dwell time.
//
// The unit answers every command: "OK", or "ERR" and a number, which becomes
// the status kDeviceErrorBase + number. A unit that leaves a command
// unanswered within the stream's time-out is sent the following commands
// without waiting, until it is connected again.
#include <array>
#include <memory>
#include <string>
#include <vector>

#include "drivers/osd/OSDItems.h"
#include "drivers/osd/OSDValueTable.h"
#include "framework/SwitchMatrixBase.h"
#include "streams/DeviceStreamClientWithStream.h"

namespace Kovalex::devicedrivers::MKMESSTECHNIK_OSD {

class mkMesstechnik_OSD : public SwitchMatrixBase, public DeviceStreamClientWithStream {
public:
  static constexpr const char* kTable = "MKMESSTECHNIK_OSD";
  static constexpr int kTextItems = 10;
  static constexpr uint32_t kClearPauseMs = 100;
  static constexpr Status kDeviceErrorBase = 0x30007D00;
  static constexpr uint32_t kDeviceErrors = 0x100;
  static constexpr const char* kDefaultAddress = "192.168.0.70";
  static constexpr size_t kReplyLimit = 256;

  mkMesstechnik_OSD();

  uint32_t LoadProgramSettings(uint32_t hostContext, SettingsStore store) override;
  uint32_t SaveProgramSettings(uint32_t hostContext, SettingsStore store) override;
  Status InitDevice(HostWindow hWnd) override;
  Status DeInitDevice(HostWindow hWnd) override;
  Status HandleEvent(HostWindow hWnd, const uint32_t* event, const double* value) override;
  Status GetErrorString(HostWindow hWnd, uint32_t err, char* buffer, uint32_t bufferSize, uint32_t* read) override;
  Status AddConfigurationDialogPanels(HostWindow hWnd, PanelList& panels) override;
  Status DefaultStreamConfiguration(uint32_t hostContext) override;

  // One command to the unit and its answer; a device error becomes its status.
  Status Command(const std::string& command);
  // Substitutes the table into every text item and sends what changed.
  Status UpdateItems();
  // The status of a device error number, and back.
  static Status DeviceErrorStatus(long number) { return kDeviceErrorBase + static_cast<Status>(number); }
  static bool IsDeviceError(Status status) { return status >= kDeviceErrorBase && status < kDeviceErrorBase + kDeviceErrors; }

  std::string DeviceName;
  std::string CameraID = "1";
  bool PauseDetectionOutOfDwellTime = false;
  emkMesstechnikOSD_ResumeActions ResumeAction = NONE;

  bool Paused() const { return paused_; }
  OSDValueTable& Table() { return table_; }
  parameterOSDSettingsText& Text(int index) { return *texts_[static_cast<size_t>(index)]; }
  parameterOSDSettingsDate& Date() { return date_; }
  parameterOSDSettingsTime& Time() { return time_; }

private:
  void PresetNetworkAddress();
  Status ClearScreen();
  std::vector<parameterOSDSettingsBase*> Items();

  bool paused_ = false;
  bool unitSilent_ = false;
  OSDValueTable table_;
  std::array<std::unique_ptr<parameterOSDSettingsText>, kTextItems> texts_;
  parameterOSDSettingsDate date_;
  parameterOSDSettingsTime time_;
};

}  // namespace Kovalex::devicedrivers::MKMESSTECHNIK_OSD
