#include "dialogs/DuringAfterPanel.h"
#include "drivers/kre/KRE.h"
#include "drivers/kre/KREAntennaTower.h"
#include "drivers/kre/KREPanels.h"
#include "framework/HostEvents.h"
#include "framework/TextBuffer.h"

namespace {
// Stream texts first, then those of the driver base.
template <class Driver>
Status StreamErrorString(Driver& driver, HostWindow hWnd, uint32_t err, char* buffer, uint32_t bufferSize,
                         uint32_t* read) {
  std::string text;
  driver.DeviceStreamClientWithStream::GetErrorString(hWnd, err, text);
  if (text.empty()) return driver.DeviceDriverBase::GetErrorString(hWnd, err, buffer, bufferSize, read);
  ClearTextBuffer(buffer, bufferSize, read);
  CopyTextToBuffer(text, buffer, bufferSize, read);
  return 0;
}

Status ConnectAndDisconnect(KREBase& box, HostWindow hWnd) {
  const Status status = box.ConnectStream(hWnd, true);
  return FirstError(status, box.DisconnectStream(hWnd));
}
}  // namespace

// The switch matrix.

uint32_t KRE::LoadProgramSettings(uint32_t hostContext, SettingsStore store) {
  const uint32_t status = SwitchMatrixBase::LoadProgramSettings(hostContext, store);
  return FirstError(status, KREBase::LoadProgramSettings(hostContext, store));
}

uint32_t KRE::SaveProgramSettings(uint32_t hostContext, SettingsStore store) {
  const uint32_t status = SwitchMatrixBase::SaveProgramSettings(hostContext, store);
  return FirstError(status, KREBase::SaveProgramSettings(hostContext, store));
}

Status KRE::CheckDevice(HostWindow hWnd) { return ConnectAndDisconnect(*this, hWnd); }
Status KRE::InitDevice(HostWindow hWnd) { return IsConnected() ? 0 : ConnectStream(hWnd, true); }
Status KRE::DeInitDevice(HostWindow hWnd) { return IsConnected() ? DisconnectStream(hWnd) : 0; }

Status KRE::HandleEvent(HostWindow, const uint32_t* event, const double*) {
  if (!event) return 0;
  if (*event == SWM_EVENT_TestStopped) return ApplySet(1);
  if (*event == SWM_EVENT_InitialisationStarted) return ApplySet(0);
  return 0;
}

Status KRE::GetErrorString(HostWindow hWnd, uint32_t err, char* buffer, uint32_t bufferSize, uint32_t* read) {
  return StreamErrorString(*this, hWnd, err, buffer, bufferSize, read);
}

Status KRE::AddConfigurationDialogPanels(HostWindow hWnd, PanelList& panels) {
  panels.Add({[this] { return new KREPanel(*this, nullptr); }, kDialogName, "Relais"});
  return CreateStreamConfigurationPanels(hWnd, panels);
}

// The tower.

KREAntennaTower::KREAntennaTower() : KREBase(kTable), waitTime_(10000, storableMembers, kTable, "WaitTime") {}

uint32_t KREAntennaTower::LoadProgramSettings(uint32_t hostContext, SettingsStore store) {
  // The tower's own table, then the relay box with its stream, then the driver base.
  if (store) {
    store->PushTable(kTable);
    SetWaitTime(static_cast<int>(store->Read("WaitTime", static_cast<long>(waitTime_.Value()))));
    store->PopTable();
  }
  uint32_t status = KREBase::LoadProgramSettings(hostContext, store);
  if (status == 0) status = DeviceDriverBase::LoadProgramSettings(hostContext, store);
  SetWaitTime(waitTime_);
  return status;
}

uint32_t KREAntennaTower::SaveProgramSettings(uint32_t hostContext, SettingsStore store) {
  uint32_t status = KREBase::SaveProgramSettings(hostContext, store);
  return FirstError(status, DeviceDriverBase::SaveProgramSettings(hostContext, store));
}

Status KREAntennaTower::CheckDevice(HostWindow hWnd) { return ConnectAndDisconnect(*this, hWnd); }
Status KREAntennaTower::InitDevice(HostWindow hWnd) { return IsConnected() ? 0 : ConnectStream(hWnd, true); }
Status KREAntennaTower::DeInitDevice(HostWindow hWnd) { return IsConnected() ? DisconnectStream(hWnd) : 0; }

Status KREAntennaTower::GetErrorString(HostWindow hWnd, uint32_t err, char* buffer, uint32_t bufferSize,
                                       uint32_t* read) {
  return StreamErrorString(*this, hWnd, err, buffer, bufferSize, read);
}

Status KREAntennaTower::AddConfigurationDialogPanels(HostWindow hWnd, PanelList& panels) {
  panels.Add({[this] { return new KREPanel(*this, this); }, kDialogName, "Tower"});
  return CreateStreamConfigurationPanels(hWnd, panels);
}

Status KREAntennaTower::GetInfo(HostWindow hWnd, uint32_t info, double* value) {
  if (info != SWM_INFO_DOUBLE_SET_GET_VALUE) return AntennaTowerBase::GetInfo(hWnd, info, value);
  if (value) *value = 1.0;
  return 0;
}

Status KREAntennaTower::GoToHeight(HostWindow, const double* metres) {
  if (metres) height_ = *metres;
  return 0;
}

Status KREAntennaTower::PositionProgress(HostWindow, int32_t* percent) {
  if (percent) *percent = 100;
  return 0;
}

Status KREAntennaTower::SetPolarization(HostWindow, const int32_t* polarization) {
  if (!polarization) return 0;
  const Status status = ApplySet(*polarization - 1);
  if (status != 0) return status;
  polarization_ = *polarization;
  if (waitTime_ > 0) timing.Wait(static_cast<uint32_t>(waitTime_.Value()));
  return 0;
}

Status KREAntennaTower::GetCurrentHeight(HostWindow, void* metres) {
  WriteHeight(metres, height_);
  return 0;
}

Status KREAntennaTower::GetCurrentPolarization(HostWindow, int32_t* polarization) {
  if (polarization) *polarization = polarization_;
  return 0;
}

Status KREAntennaTower::GetMinimumPhysicalHeight(HostWindow, void* metres) {
  WriteHeight(metres, kMinimumHeight);
  return 0;
}

Status KREAntennaTower::GetMaximumPhysicalHeight(HostWindow, void* metres) {
  WriteHeight(metres, kMaximumHeight);
  return 0;
}
