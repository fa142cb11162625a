#include "drivers/amplifier/BONN_BAS.h"

#include "drivers/amplifier/AmplifierAnswers.h"
#include "drivers/amplifier/AmplifierPanels.h"
#include "framework/HostEvents.h"
#include "framework/RetryLoop.h"
#include "streams/DeviceStreamLocker.h"
#include "streams/rs232/RS232DeviceStreamConfiguration.h"
#include "streams/tcp/NetworkBasedDeviceStreamConfig.h"

BONN_BAS::BONN_BAS(const std::string& expectedIdentification)
    : before_(wxString(), storableMembers, kTable, "SelectedBefore"),
      after_(wxString(), storableMembers, kTable, "SelectedAfter") {
  OfferTransports(kTransports);
  Manager().SetDefaultTypeName("GPIB");
  if (auto serial = std::dynamic_pointer_cast<RS232DeviceStreamConfiguration>(Manager().GetConfiguration("RS-232"))) {
    serial->SetBaudRate(Br19200);
    serial->SetDataBits(Data8);
  }
  if (auto network = std::dynamic_pointer_cast<NetworkBasedDeviceStreamConfig>(Manager().GetConfiguration("TCPIP")))
    network->SetAddress(kDefaultAddress);
  DeviceStreamSettings settings = GetStreamSettings();
  settings.timeoutSeconds = kDefaultTimeoutSeconds;
  SetStreamSettings(settings);
  SetExpectedResponse(expectedIdentification);
}

const std::vector<std::string>& BONN_BAS::BandCommands() {
  static const std::vector<std::string> commands = {"BAND=DIR/ANT1", "BAND=DIR/ANT2", "BAND=DIR/LOAD",
                                                    "BAND=DIR/9k-18GHz", "BAND=B1/ANT1", "BAND=B1/LOAD",
                                                    "BAND=B2/ANT2",      "BAND=B2/LOAD"};
  return commands;
}

Status BONN_BAS::CheckDevice(HostWindow hWnd) {
  const bool opened = !StreamOpen();
  const Status status = RetryLoop(3, "CheckDevice").Run([&] {
    if (!StreamOpen()) RetryLoop::ThrowIfError(ConnectStream(hWnd, true));
    ::DeviceStreamLocker<DeviceStreamClientWithStream> locker(*this, hWnd);
    RetryLoop::ThrowIfError(locker.Lock(GetTimeout(hWnd)));
    std::string answer;
    RetryLoop::ThrowIfError(WriteRead(hWnd, GetIdentificationQuery(), answer, kIdentificationCount, 0));
    RetryLoop::ThrowIfError(Send("REMOTE"));
    RetryLoop::ThrowIfError(Send("LOCAL"));
    // Nothing but line ends is no answer (asked again); a device that answers
    // as another one is not tried again.
    if (amplifier::WithoutLineEnds(answer).empty()) RetryLoop::ThrowIfError(amplifier::kBonnNoAnswer);
    const Status identified = CheckIdentificationAnswer(answer);
    if (identified != 0) throw RetryLoop::ErrorThrow(identified, true);
  });
  const Status closed = opened && StreamOpen() ? DisconnectStream(hWnd) : 0;
  return status != 0 ? status : closed;
}

Status BONN_BAS::InitDevice(HostWindow hWnd) {
  Status status = StreamOpen() ? 0 : ConnectStream(hWnd, true);
  if (status != 0) return status;
  ::DeviceStreamLocker<DeviceStreamClientWithStream> locker(*this, hWnd);
  status = locker.Lock(GetTimeout(hWnd));
  if (status == 0) status = Send("REMOTE");
  if (status == 0 && CheckStatus() != 0) {
    Reset();
    status = CheckStatus();
  }
  if (status == 0) status = ClearServiceRequestEnable();
  return status;
}

Status BONN_BAS::DeInitDevice(HostWindow hWnd) {
  const Status status = StreamOpen() ? Send("LOCAL") : 0;
  const Status closed = DisconnectStream(hWnd);
  return status != 0 ? status : closed;
}

Status BONN_BAS::HandleEvent(HostWindow hWnd, const uint32_t* event, const double* value) {
  if (event && *event == SWM_EVENT_InitialisationStarted) return Send(before_.Value().utf8_string());
  if (event && *event == SWM_EVENT_TestStopped) return Send(after_.Value().utf8_string());
  return SwitchMatrixBase::HandleEvent(hWnd, event, value);
}

Status BONN_BAS::HandleRequest(HostWindow hWnd, const uint32_t* request, void* data) {
  if (!request || *request != SWM_REQUEST_InterlockClosed) return SwitchMatrixBase::HandleRequest(hWnd, request, data);
  const Status status = CheckStatus();
  if (data) *static_cast<uint32_t*>(data) = status == 0 ? 1 : 0;
  return status;
}

Status BONN_BAS::AddConfigurationDialogPanels(HostWindow hWnd, PanelList& panels) {
  const Status status = CreateStreamConfigurationPanels(hWnd, panels);
  AddBONN_BASPanel(*this, panels);
  return status;
}
