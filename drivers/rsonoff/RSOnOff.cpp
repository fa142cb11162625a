#include "drivers/rsonoff/RSOnOff.h"

#include "drivers/rsonoff/RSOnOffPanel.h"
#include "framework/TextBuffer.h"

RSOnOff::RSOnOff() : NI4882MGPIB(GPIB0, 0, 0) {}

uint32_t RSOnOff::LoadProgramSettings(uint32_t hostContext, SettingsStore store) {
  if (store) {
    store->PushTable(kTable);
    onTime = store->Read("OnTime", onTime);
    offTime = store->Read("OffTime", offTime);
    cycles = store->Read("Cycles", cycles);
    store->PopTable();
  }
  const Status status = DeviceDriverBase::LoadProgramSettings(hostContext, store);
  return FirstError(status, NI4882MGPIB::LoadProgramSettings(hostContext, store));
}

uint32_t RSOnOff::SaveProgramSettings(uint32_t hostContext, SettingsStore store) {
  if (store) {
    store->PushTable(kTable);
    store->Write("OnTime", onTime);
    store->Write("OffTime", offTime);
    store->Write("Cycles", cycles);
    store->PopTable();
  }
  const Status status = DeviceDriverBase::SaveProgramSettings(hostContext, store);
  return FirstError(status, NI4882MGPIB::SaveProgramSettings(hostContext, store));
}

Status RSOnOff::AddConfigurationDialogPanels(HostWindow hWnd, PanelList& panels) {
  AddRSOnOffPanel(panels, *this);
  return AddConfigurationPanel(hWnd, panels);
}

Status RSOnOff::GetErrorString(HostWindow hWnd, uint32_t err, char* buffer, uint32_t bufferSize, uint32_t* read) {
  NI4882MGPIB::GetErrorString(hWnd, err, buffer, bufferSize, read);
  if (read && *read) return 0;
  return DeviceDriverBase::GetErrorString(hWnd, err, buffer, bufferSize, read);
}

Status RSOnOff::Switch(HostWindow hWnd, bool on) {
  const Status status = Send(hWnd, on ? "OUTPUT ON" : "OUTPUT OFF", false);
  outputOn_ = on;
  return status;
}

Status RSOnOff::HandleRequest(HostWindow hWnd, const uint32_t* request, void* data) {
  if (!request || !data) return 0;
  auto* answer = static_cast<uint32_t*>(data);
  if (*request == SWM_REQUEST_DwellTimeStartOk) {
    cycleCounter_ = 1;
    outputOn_ = true;
    lastSwitch_ = timing.Now();
    *answer = 1;
    return 0;
  }
  if (*request != SWM_REQUEST_DwellTimeStopOk) return SwitchMatrixBase::HandleRequest(hWnd, request, data);
  *answer = 0;
  const uint32_t now = timing.Now();
  if (cycles < static_cast<long>(cycleCounter_)) {
    *answer = 1;
    return outputOn_ ? 0 : Switch(hWnd, true);
  }
  if (!outputOn_ && static_cast<long>(now - lastSwitch_) > offTime) {
    lastSwitch_ = now;
    ++cycleCounter_;
    return Switch(hWnd, true);
  }
  if (outputOn_ && static_cast<long>(now - lastSwitch_) > onTime) {
    lastSwitch_ = now;
    return Switch(hWnd, false);
  }
  return 0;
}
