#include "drivers/stribel/Stribel.h"

#include <cmath>

#include "dialogs/PanelList.h"
#include "drivers/stribel/StribelPanel.h"
#include "framework/TextBuffer.h"
#include "logging/JournexEntry.h"
#include "platform/CLocale.h"

namespace {
constexpr std::string_view kModule = "Stribel";

int32_t RoundedUp(double value) {
  const double up = std::ceil(value);
  if (!(up > -2147483648.0)) return INT32_MIN;  // also NaN
  if (up > 2147483647.0) return INT32_MAX;
  return static_cast<int32_t>(up);
}
}  // namespace

uint32_t Stribel::LoadProgramSettings(uint32_t hostContext, SettingsStore store) {
  Status status = SwitchMatrixBase::LoadProgramSettings(hostContext, store);
  status = FirstError(status, RS232DeviceDriver::LoadProgramSettings(hostContext, store));
  if (store) {
    store->PushTable(kTable);
    fieldType_ = static_cast<MeasurementType>(store->Read("FieldType", static_cast<long>(fieldType_)));
    store->PopTable();
  }
  return status;
}

uint32_t Stribel::SaveProgramSettings(uint32_t hostContext, SettingsStore store) {
  Status status = SwitchMatrixBase::SaveProgramSettings(hostContext, store);
  status = FirstError(status, RS232DeviceDriver::SaveProgramSettings(hostContext, store));
  if (store) {
    store->PushTable(kTable);
    store->Write("FieldType", static_cast<long>(fieldType_));
    store->PopTable();
  }
  return status;
}

Status Stribel::CheckDevice(HostWindow) {
  Status status = Open();
  if (!status) status = ClearOutputBuffer();
  if (!status) status = ClearInputBuffer();
  if (!status) status = Write(kInitMessage);
  if (!status) status = WaitForAnswer(kAnswerLimitMs);
  return FirstError(status, Close());
}

Status Stribel::InitDevice(HostWindow) { return Open(); }

Status Stribel::DeInitDevice(HostWindow) { return Close(); }

Status Stribel::WaitForAnswer(uint32_t limitMs) {
  size_t waiting = 0;
  Status status = InputQueueCount(&waiting);
  for (uint32_t waited = 0; status == 0 && waited < limitMs && waiting < 2; waited += kAnswerStepMs) {
    timing.Wait(kAnswerStepMs);
    status = InputQueueCount(&waiting);
  }
  if (status) return status;
  timing.Wait(kAnswerStepMs);
  if ((status = InputQueueCount(&waiting))) return status;
  if (waiting < 2) {
    JournexEntry::Note("WaitForAnswer", kModule, "Error", "The EUT controller did not answer",
                       {{"limit", limitMs}, {"waiting", waiting}});
    return DRV_ERR_WRONG_DEVICE;
  }
  std::string answer;
  status = Read(&answer, kAnswerLength);
  if (status && status != kShortRead) return status;
  return Evaluate(answer);
}

Status Stribel::Evaluate(const std::string& answer) {
  const stribel::Evaluation evaluation = stribel::EvaluateAnswer(answer);
  lastError_ = evaluation.errorNumber;
  JournexEntry::Note("Evaluate", kModule, evaluation.status ? "Error" : "Note", "Evaluate(\"" + answer + "\")",
                     {{"errorNumber", lastError_}, {"Err", evaluation.status}});
  return evaluation.status;
}

Status Stribel::HandleEvent(HostWindow, const uint32_t* event, const double* value) {
  if (!event) return 0;
  // Event 62 carries a text, not a number: its value is never read as one.
  const double v = value && *event != SWM_EVENT_SendPilotInterfaceData ? *value : 0.0;
  switch (*event) {
    case SWM_EVENT_TestStopped: {
      const Status status = Write(kEndMessage);
      return status ? status : WaitForAnswer(kAnswerLimitMs);
    }
    case SWM_EVENT_FrequencyChanged: signal_.frequencyMHz = v <= 0.0 ? 1.0 : v; break;
    case SWM_EVENT_AverageFieldMeasured:
      if (fieldType_ == MeasuredField) signal_.fieldStrength = RoundedUp(v);
      break;
    case SWM_EVENT_CalculatedField:
      if (fieldType_ == CalcField) signal_.fieldStrength = RoundedUp(v);
      break;
    case SWM_EVENT_ModulationType: signal_.modulationType = v; break;
    case SWM_EVENT_ModulationFrequency: signal_.modulationFrequency = v; break;
    case SWM_EVENT_ModulationSpecificParameter: signal_.modulationParameter = v; break;
    case SWM_EVENT_ModulationOn: signal_.modulationOn = true; break;
    case SWM_EVENT_ModulationOff: signal_.modulationOn = false; break;
    default: break;
  }
  return 0;
}

Status Stribel::HandleRequest(HostWindow hWnd, const uint32_t* request, void* data) {
  if (!request) return SwitchMatrixBase::HandleRequest(hWnd, request, data);
  auto* answer = static_cast<uint32_t*>(data);
  if (*request == SWM_REQUEST_DwellTimeStartOk) {
    Status status = ClearOutputBuffer();
    status = FirstError(status, ClearInputBuffer());
    const std::string message = stribel::StartMessage(signal_);
    if (!status && !message.empty()) status = Write(message);
    if (answer) *answer = 1;
    return status;
  }
  if (*request == SWM_REQUEST_DwellTimeStopOk) {
    if (answer) *answer = 0;
    size_t waiting = 0;
    if (InputQueueCount(&waiting) != 0 || waiting < kStopAnswerWaiting) return 0;
    timing.Wait(kStopAnswerPauseMs);
    std::string text;
    const Status read = Read(&text, kStopAnswerLength);
    if (read && read != kShortRead) return read;
    const Status status = Evaluate(text);
    if (answer) *answer = 1;
    return status;
  }
  return SwitchMatrixBase::HandleRequest(hWnd, request, data);
}

Status Stribel::GetErrorString(HostWindow hWnd, uint32_t err, char* buffer, uint32_t bufferSize, uint32_t* read) {
  ClearTextBuffer(buffer, bufferSize, read);
  if (err == stribel::kControllerError) {
    CopyTextToBuffer(FormatC("EUT Controller returned error code: %ld", static_cast<long>(lastError_)), buffer,
                     bufferSize, read);
    return 0;
  }
  if (err == stribel::kInvalidResponse) {
    CopyTextToBuffer("EUT Controller returned an invalid response", buffer, bufferSize, read);
    return 0;
  }
  SwitchMatrixBase::GetErrorString(hWnd, err, buffer, bufferSize, read);
  if (read && *read != 0) return 0;
  return RS232DeviceDriver::GetErrorString(hWnd, err, buffer, bufferSize, read);
}

Status Stribel::AddConfigurationDialogPanels(HostWindow hWnd, PanelList& panels) {
  panels.Add({[this] { return new StribelPanel(*this); }, StribelPanel::kName, StribelPanel::kTitle});
  return AddConfigurationPanel(hWnd, panels);
}
