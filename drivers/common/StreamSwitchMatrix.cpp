#include "drivers/common/StreamSwitchMatrix.h"

#include "framework/TextBuffer.h"
#include "streams/DeviceStreamStatus.h"

StreamSwitchMatrix::StreamSwitchMatrix(std::initializer_list<const char*> transports) {
  for (const char* transport : transports) Manager().AddStreamConfiguration(transport);
  if (transports.size() > 0) Manager().SetDefaultTypeName(*transports.begin());
}

uint32_t StreamSwitchMatrix::LoadProgramSettings(uint32_t hostContext, SettingsStore store) {
  const uint32_t status = SwitchMatrixBase::LoadProgramSettings(hostContext, store);
  return FirstError(status, DeviceStreamClientWithStream::LoadProgramSettings(hostContext, store));
}

uint32_t StreamSwitchMatrix::SaveProgramSettings(uint32_t hostContext, SettingsStore store) {
  const uint32_t status = SwitchMatrixBase::SaveProgramSettings(hostContext, store);
  return FirstError(status, DeviceStreamClientWithStream::SaveProgramSettings(hostContext, store));
}

Status StreamSwitchMatrix::InitDevice(HostWindow hWnd) { return IsConnected() ? 0 : ConnectStream(hWnd, true); }

Status StreamSwitchMatrix::DeInitDevice(HostWindow hWnd) { return IsConnected() ? DisconnectStream(hWnd) : 0; }

Status StreamSwitchMatrix::GetErrorString(HostWindow hWnd, uint32_t err, char* buffer, uint32_t bufferSize,
                                          uint32_t* read) {
  std::string text;
  DeviceStreamClientWithStream::GetErrorString(hWnd, err, text);
  if (text.empty()) return SwitchMatrixBase::GetErrorString(hWnd, err, buffer, bufferSize, read);
  ClearTextBuffer(buffer, bufferSize, read);
  CopyTextToBuffer(text, buffer, bufferSize, read);
  return 0;
}

Status StreamSwitchMatrix::AddConfigurationDialogPanels(HostWindow hWnd, PanelList& panels) {
  return CreateStreamConfigurationPanels(hWnd, panels);
}

Status StreamSwitchMatrix::Send(const std::string& command) {
  if (!IsConnected()) return streamstatus::kNotConnected;
  return Write(0, command, false);
}
