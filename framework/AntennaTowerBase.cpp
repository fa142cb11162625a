#include "framework/AntennaTowerBase.h"

#include <sstream>

#include "framework/ReentryGuard.h"
#include "logging/JournexEntry.h"
#include "platform/MessageBox.h"

namespace {
constexpr std::string_view kModule = "AntennaTowerBase";

std::string_view Kind(Status status) { return status == 0 ? "Complete" : "Error"; }

Status Logged(std::string_view function, const std::string& text, Status status) {
  JournexEntry::Note(function, kModule, Kind(status), text, {{"Err", status}});
  return status;
}

Status Logged(std::string_view function, const std::string& text, Status status, const LogValue& first) {
  JournexEntry::Note(function, kModule, Kind(status), text, {first, {"Err", status}});
  return status;
}

Status Logged(std::string_view function, const std::string& text, Status status, const LogValue& first,
              const LogValue& second) {
  JournexEntry::Note(function, kModule, Kind(status), text, {first, second, {"Err", status}});
  return status;
}

std::string Text(double value) {
  std::ostringstream text;
  text << value;
  return text.str();
}

// A value ID whose data pointer is missing is answered like an unknown one.
Status MissingData(std::string_view channel, uint32_t valueId, Status status) {
  return Logged(channel, std::string(channel) + "(" + std::to_string(valueId) + ": no data)", status,
                LogValue("ValueID", valueId));
}
}  // namespace

Status AntennaTowerBase::GoToHeight(HostWindow hWnd, const double* metres) {
  ReentryGuard guard(callDepth, DRV_ERR_NOT_IMPLEMENTED);
  if (!guard.Entered()) return guard.Failure();
  const float single = metres ? static_cast<float>(*metres) : 0.0f;
  return GoToHeight(hWnd, metres ? &single : nullptr);
}

Status AntennaTowerBase::GoToHeight(HostWindow hWnd, const float* metres) {
  ReentryGuard guard(callDepth, DRV_ERR_NOT_IMPLEMENTED);
  if (!guard.Entered()) return guard.Failure();
  const double wide = metres ? static_cast<double>(*metres) : 0.0;
  return GoToHeight(hWnd, metres ? &wide : nullptr);
}

Status AntennaTowerBase::PositionProgress(HostWindow, int32_t*) { return DRV_ERR_NOT_IMPLEMENTED; }
Status AntennaTowerBase::SetPolarization(HostWindow, const int32_t*) { return DRV_ERR_NOT_IMPLEMENTED; }
Status AntennaTowerBase::StopMovement(HostWindow) { return DRV_ERR_NOT_IMPLEMENTED; }
Status AntennaTowerBase::GetCurrentHeight(HostWindow, void*) { return DRV_ERR_NOT_IMPLEMENTED; }
Status AntennaTowerBase::GetCurrentPolarization(HostWindow, int32_t*) { return DRV_ERR_NOT_IMPLEMENTED; }

void AntennaTowerBase::WriteHeight(void* metres, double value) const {
  if (!metres) return;
  if (useDoubles)
    *static_cast<double*>(metres) = value;
  else
    *static_cast<float*>(metres) = static_cast<float>(value);
}

void AntennaTowerBase::ShowSetPolarizationMessage(HostWindow hWnd, int polarization) {
  const bool horizontal = polarization == kHorizontal;
  JournexEntry::Note("ShowSetPolarizationMessage", kModule, "Note",
                     "Position antenna \"" + DeviceCaption().utf8_string() + "\" is " +
                         (horizontal ? "Horizontal" : "Vertical"));
  LoggedMessageBox(hWnd, horizontal ? "Position Antenna Horizontal" : "Position Antenna Vertical", DeviceCaption(),
                   kMbIconInformation);
}

Status AntennaTowerBase::SetValue(HostWindow hWnd, uint32_t valueId, void* data1, void* data2) {
  switch (valueId) {
    case SWM_VALUE_TOWER_GO_TO_HEIGHT: {
      if (!data1) return MissingData("SetValue", valueId, DRV_ERR_UNKNOWN_SET_VALUE_ID);
      const double metres = useDoubles ? *static_cast<const double*>(data1) : *static_cast<const float*>(data1);
      const Status status = useDoubles ? GoToHeight(hWnd, static_cast<const double*>(data1))
                                       : GoToHeight(hWnd, static_cast<const float*>(data1));
      return Logged("GoToHeight", "GoToHeight(" + Text(metres) + " metres)", status, LogValue("Data1", metres));
    }
    case SWM_VALUE_TOWER_SET_POLARIZATION: {
      if (!data1) return MissingData("SetValue", valueId, DRV_ERR_UNKNOWN_SET_VALUE_ID);
      const int32_t polarization = *static_cast<const int32_t*>(data1);
      return Logged("SetPolarization", "SetPolarization(" + std::to_string(polarization) + ")",
                    SetPolarization(hWnd, static_cast<const int32_t*>(data1)));
    }
    case SWM_VALUE_TOWER_STOP_MOVEMENT:
      return Logged("StopMovement", "StopMovement()", StopMovement(hWnd));
    default:
      JournexEntry::Note("SetValue", kModule, "Note", "SetValue(Calling DeviceDriverBase)", {{"ValueID", valueId}});
      return DeviceDriverBase::SetValue(hWnd, valueId, data1, data2);
  }
}

Status AntennaTowerBase::GetValue(HostWindow hWnd, uint32_t valueId, void* data1, void* data2) {
  const bool tower = valueId >= SWM_VALUE_TOWER_POSITION_PROGRESS && valueId <= SWM_VALUE_TOWER_MAXIMUM_HEIGHT;
  if (!tower) {
    JournexEntry::Note("GetValue", kModule, "Note", "GetValue(Calling DeviceDriverBase)", {{"ValueID", valueId}});
    return DeviceDriverBase::GetValue(hWnd, valueId, data1, data2);
  }
  if (!data1) return MissingData("GetValue", valueId, DRV_ERR_UNKNOWN_GET_VALUE_ID);
  auto height = [&](Status status, std::string_view name) {
    const double metres = useDoubles ? *static_cast<double*>(data1) : *static_cast<float*>(data1);
    return Logged(name, std::string(name) + "(" + Text(metres) + " metres)", status,
                  LogValue("ValueID", valueId), LogValue("Data1", metres));
  };
  auto number = [&](Status status, std::string_view name) {
    const int32_t value = *static_cast<int32_t*>(data1);
    return Logged(name, std::string(name) + "(" + std::to_string(value) + ")", status,
                  LogValue("ValueID", valueId), LogValue("Data1", value));
  };
  auto* integer = static_cast<int32_t*>(data1);
  switch (valueId) {
    case SWM_VALUE_TOWER_POSITION_PROGRESS:
      return number(PositionProgress(hWnd, integer), "PositionProgress");
    case SWM_VALUE_TOWER_CURRENT_HEIGHT:
      return height(GetCurrentHeight(hWnd, data1), "GetCurrentHeight");
    case SWM_VALUE_TOWER_CURRENT_POLARIZATION:
      return number(GetCurrentPolarization(hWnd, integer), "GetCurrentPolarization");
    case SWM_VALUE_TOWER_MINIMUM_HEIGHT:
      return height(GetMinimumPhysicalHeight(hWnd, data1), "GetMinimumPhysicalHeight");
    default:
      return height(GetMaximumPhysicalHeight(hWnd, data1), "GetMaximumPhysicalHeight");
  }
}

Status AntennaTowerBase::GetInfo(HostWindow hWnd, uint32_t info, double* value) {
  if (info != SWM_INFO_DOUBLE_SET_GET_VALUE) return DeviceDriverBase::GetInfo(hWnd, info, value);
  if (value) *value = 0.0;
  JournexEntry::Note("GetInfo", kModule, "Note", "INFO_Double_SetGetValue(By default, no double parameters!)");
  return 0;
}

Status AntennaTowerBase::ShowConfigurationDialogUnavailable(HostWindow hWnd) {
  JournexEntry::Note("ShowConfigurationDialogUnavailable", kModule, "Note",
                     "ShowConfigurationDialogUnavailable(\"The Device Driver cannot be configured\")");
  return DeviceDriverBase::ShowConfigurationDialogUnavailable(hWnd);
}
