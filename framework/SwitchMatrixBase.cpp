#include "framework/SwitchMatrixBase.h"

#include <cstring>
#include <string>

#include "framework/HostEvents.h"
#include "logging/JournexEntry.h"

namespace {
constexpr std::string_view kModule = "SwitchMatrixBase";

// The request's data as logs show it: an answer word, a text or a number.
// The text of request 4 is the host's output buffer: it is read only after a
// successful call has filled it (answered), never before, when it may hold
// anything, even no terminator.
std::string RequestDataText(uint32_t request, const void* data, bool answered) {
  if (!data) return "(null)";
  if (request == SWM_REQUEST_RetrievePilotInterfaceData && !answered) return "(..)";
  switch (request) {
    case SWM_REQUEST_InterlockClosed:
      return *static_cast<const uint32_t*>(data) ? "Closed" : "Open";
    case SWM_REQUEST_DwellTimeStartOk:
    case SWM_REQUEST_DwellTimeStopOk:
      return *static_cast<const uint32_t*>(data) ? "Ok" : "NOT Ok";
    case SWM_REQUEST_RetrievePilotInterfaceData:
      return static_cast<const char*>(data);
    default:
      return std::to_string(*static_cast<const uint32_t*>(data));
  }
}

std::string RequestLabel(uint32_t request) {
  const std::string_view name = HostRequestName(request);
  return name.empty() ? std::to_string(request) : std::string(name);
}
}  // namespace

Status SwitchMatrixBase::HandleEvent(HostWindow, const uint32_t*, const double*) { return 0; }

Status SwitchMatrixBase::HandleRequest(HostWindow, const uint32_t* request, void* data) {
  if (!request || !data) return 0;
  switch (*request) {
    case SWM_REQUEST_InterlockClosed:
    case SWM_REQUEST_DwellTimeStartOk:
    case SWM_REQUEST_DwellTimeStopOk:
      *static_cast<uint32_t*>(data) = 1;
      break;
    case SWM_REQUEST_RetrievePilotInterfaceData:
      *static_cast<char*>(data) = '\0';
      break;
    default:
      break;
  }
  return 0;
}

Status SwitchMatrixBase::SetValue(HostWindow hWnd, uint32_t valueId, void* data1, void* data2) {
  if (valueId != SWM_VALUE_EVENT) return DeviceDriverBase::SetValue(hWnd, valueId, data1, data2);
  const auto* event = static_cast<const uint32_t*>(data1);
  const auto* value = static_cast<const double*>(data2);
  if (!JournexEntry::Enabled()) return HandleEvent(hWnd, event, value);

  JournexEntry scope("HandleEvent", kModule);
  const uint32_t number = event ? *event : 0;
  // Only events that carry a number are read as double (event 62 carries a text).
  const HostEventInfo* info = FindHostEvent(number);
  const bool numeric = value && (!info || info->display != EventValueDisplay::None);
  const double eventValue = numeric ? *value : 0.0;
  const std::string label = HostEventLabel(number);
  const std::string valueText = HostEventValueText(number, eventValue);
  scope.LogBegin("Note", "HandleEvent(" + label + ", " + valueText + ")",
                 {{"event", number}, {"eventName", label}, {"eventValue", eventValue}});
  const Status status = HandleEvent(hWnd, event, value);
  scope.LogEnd(status == 0 ? "Complete" : "Error", {}, {{"Err", status}});
  return status;
}

Status SwitchMatrixBase::GetValue(HostWindow hWnd, uint32_t valueId, void* data1, void* data2) {
  if (valueId != SWM_VALUE_REQUEST) return DeviceDriverBase::GetValue(hWnd, valueId, data1, data2);
  const auto* request = static_cast<const uint32_t*>(data1);
  if (!JournexEntry::Enabled()) return HandleRequest(hWnd, request, data2);

  JournexEntry scope("HandleRequest", kModule);
  const uint32_t number = request ? *request : 0;
  const std::string label = RequestLabel(number);
  const std::string before = RequestDataText(number, data2, false);
  scope.LogBegin("Note", "HandleRequest(" + label + ", " + before + ")",
                 {{"requestName", label}, {"request", number}, {"data", before}});
  const Status status = HandleRequest(hWnd, request, data2);
  scope.LogEnd(status == 0 ? "Complete" : "Error", {},
               {{"value", RequestDataText(number, data2, status == 0)}, {"Err", status}});
  return status;
}
