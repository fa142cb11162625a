#include "drivers/debug/DebugSwitchMatrix.h"

#include <array>
#include <cmath>
#include <cstdio>

#include "framework/NumberConversion.h"
#include "platform/MessageBox.h"

namespace {
enum class Arg { None, Real, Integer, Text };
struct EventFormat {
  const char* format;
  Arg arg;
};

constexpr std::array<EventFormat, 84> kEventTexts{{
    {"Received Event: Test Started", Arg::None},
    {"Received Event: Test Stopped", Arg::None},
    {"Received Event: Initialisation Started", Arg::None},
    {"Received Event: Initialisation Stopped", Arg::None},
    {"Received Event: Entering Manual Mode", Arg::None},
    {"Received Event: Leaving Manual Mode", Arg::None},
    {"Received Event: Frequency Changed to %lG MHz", Arg::Real},
    {"Received Event: Carrier level Changed to %lG dBm", Arg::Real},
    {"Received Event: Dwell Time started", Arg::None},
    {"Received Event: Dwell Time stopped", Arg::None},
    {"Received Event: Average field measured: %lG V/m", Arg::Real},
    {"Received Event: Calculated field measured: %lG V/m", Arg::Real},
    {"Received Event: Power test started", Arg::None},
    {"Received Event: Power test stopped", Arg::None},
    {"Received Event: Device driver Check started (device: %ld)", Arg::Integer},
    {"Received Event: Device driver Check stopped (device: %ld)", Arg::Integer},
    {"Received Event: Device driver Init started (device: %ld)", Arg::Integer},
    {"Received Event: Device driver Init stopped (device: %ld)", Arg::Integer},
    {"Received Event: Measuring current", Arg::None},
    {"Received Event: Current Measured %lG mA", Arg::Real},
    {"Received Event: Measuring Sensor power meter", Arg::None},
    {"Received Event: Sensor power measured: %lG dBm", Arg::Real},
    {"Received Event: Measuring Forward power", Arg::None},
    {"Received Event: Forward power measured: %lG dBm", Arg::Real},
    {"Received Event: Measuring Reflected power", Arg::None},
    {"Received Event: Reflected power measured: %lG dBm", Arg::Real},
    {"Received Event: Measuring AD Convertor (channel: %ld)", Arg::Integer},
    {"Received Event: Measuring Field Sensor (channel: %ld)", Arg::Integer},
    {"Received Event: Forward Powermeter Zero started", Arg::None},
    {"Received Event: Forward Powermeter Zero ready", Arg::None},
    {"Received Event: Reflected Powermeter Zero started", Arg::None},
    {"Received Event: Reflected Powermeter Zero ready", Arg::None},
    {"Received Event: Sensor Powermeter Zero started", Arg::None},
    {"Received Event: Sensor Powermeter Zero ready", Arg::None},
    {"Received Event: Field strength sensor (channel: %ld) Zero started", Arg::Integer},
    {"Received Event: Field strength sensor (channel: %ld) Zero ready", Arg::Integer},
    {"Received Event: Modulation Type: %lG", Arg::Real},
    {"Received Event: Modulation Freq: %lG Hz", Arg::Real},
    {"Received Event: Modulation Specific Parameter: %lG", Arg::Real},
    {"Received Event: Modulation On", Arg::None},
    {"Received Event: Modulation Off", Arg::None},
    {"Received Event: OutPower Zero Started", Arg::None},
    {"Received Event: OutPower Zero Stopped", Arg::None},
    {"Received Event: OutPower Measuring", Arg::None},
    {"Received Event: OutPower Measuring Stopped", Arg::None},
    {"Received Event: Field sensor measured: %lG V/m", Arg::Real},
    {"Received Event: Antenna started to move to: %lG m", Arg::Real},
    {"Received Event: Antenna movement stopped at: %lG m", Arg::Real},
    {"Received Event: Antenna is moving. Current progress: %lG %%", Arg::Real},
    {"Received Event: Antenna polarization is being changed to: %ld", Arg::Integer},
    {"Received Event: Turntable started to move to: %lG degrees", Arg::Real},
    {"Received Event: Turntable movement stopped at: %lG degrees", Arg::Real},
    {"Received Event: Turntable is moving. Current progress: %lG %%", Arg::Real},
    {"Received Event: Calculated current measured: %lG mA", Arg::Real},
    {"Received Event: Calculated voltage measured: %lG Vrms", Arg::Real},
    {"Received Event: Calculated magnetic field measured: %lG A/m", Arg::Real},
    {"Received Event: Netto power: %lG dBm", Arg::Real},
    {"Received Event: Measuring Forward power burst", Arg::None},
    {"Received Event: Forward power burst Measured", Arg::None},
    {"Received Event: Measuring Forward power logging", Arg::None},
    {"Received Event: Forward power logging Measured", Arg::None},
    {"Received Event: Send Pilot Interface data %s", Arg::Text},
    {"Received Event: Antenna polarization has been changed to: %ld", Arg::Integer},
    {"Received Event: Rotational Positioner started to move to: %lG degrees", Arg::Real},
    {"Received Event: Rotational Positioner movement stopped at: %lG degrees", Arg::Real},
    {"Received Event: Rotational Positioner is moving. Current progress: %lG %%", Arg::Real},
    {"Received Event: X Positioner movement stopped at: %lG m", Arg::Real},
    {"Received Event: X Positioner is moving. Current progress: %lG %%", Arg::Real},
    {"Received Event: X Positioner started to move to: %lG m", Arg::Real},
    {"Received Event: Positioner started to move to: %lG m", Arg::Real},
    {"Received Event: Positioner movement stopped at: %lG m", Arg::Real},
    {"Received Event: Positioner is moving. Current progress: %lG %%", Arg::Real},
    {"Received Event: Y Positioner movement stopped at: %lG m", Arg::Real},
    {"Received Event: Y Positioner is moving. Current progress: %lG %%", Arg::Real},
    {"Received Event: Y Positioner started to move to: %lG m", Arg::Real},
    {"Received Event: Stirrer started to move to : %lG degrees", Arg::Real},
    {"Received Event : Stirrer movement stopped at : % lG degrees", Arg::Real},
    {"Received Event: Stirrer is moving. Current progress: %lG %%", Arg::Real},
    {"Received Event: Stirrer started rotating with: %lG rpm", Arg::Real},
    {"Received Event: Stirrer stopped rotating", Arg::None},
    {"Received Event: Stirrer is moving", Arg::None},
    {"Received Event: Position positioner started to move to position %lG", Arg::Real},
    {"Received Event: Position positioner stopped at position %lG", Arg::Real},
    {"Received Event: Position positioner is moving. Current progress: %lG %%", Arg::Real},
}};

std::string Format(const char* format, auto... args) {
  const int size = std::snprintf(nullptr, 0, format, args...);
  std::string text(size > 0 ? static_cast<size_t>(size) : 0, '\0');
  std::snprintf(text.data(), text.size() + 1, format, args...);
  return text;
}

}  // namespace

std::string DebugSwitchMatrix::EventText(uint32_t event, double value, const char* text) {
  if (event < 1 || event > kEventTexts.size())
    return Format("Unknown Switch Matrix Event: %d", static_cast<int>(event));
  const EventFormat& entry = kEventTexts[event - 1];
  switch (entry.arg) {
    case Arg::Real: return Format(entry.format, value);
    case Arg::Integer: return Format(entry.format, TruncatedToInt32(value));
    case Arg::Text: return Format(entry.format, text ? text : "");
    case Arg::None: break;
  }
  return Format(entry.format);
}

std::string DebugSwitchMatrix::RequestText(uint32_t request) {
  switch (request) {
    case SWM_REQUEST_InterlockClosed: return "Received Request: Interlock Closed?";
    case SWM_REQUEST_DwellTimeStartOk: return "Received Request: Dwell Time Start Ok?";
    case SWM_REQUEST_DwellTimeStopOk: return "Received Request: Dwell Time Stop Ok?";
    case SWM_REQUEST_RetrievePilotInterfaceData: return "Received Request: Pilot Interface Data?";
    default: return Format("Unknown Switch Matrix Request: %d", static_cast<int>(request));
  }
}

Status DebugSwitchMatrix::CheckDevice(HostWindow) { return 0; }

Status DebugSwitchMatrix::InitDevice(HostWindow) {
  initialised = true;
  return 0;
}

Status DebugSwitchMatrix::DeInitDevice(HostWindow) {
  initialised = false;
  return 0;
}

Status DebugSwitchMatrix::ShowBox(HostWindow hWnd, const std::string& text, const char* warning) {
  uint32_t icon = kMbIconInformation;
  std::string shown = text;
  if (!initialised) {
    shown = warning + shown;
    icon = kMbIconWarning;
  }
  const int answer = LoggedMessageBox(hWnd, wxString::FromUTF8(shown), DeviceCaption(), icon | kMbOkCancel);
  return answer == kIdCancel ? kUserCancelled : 0;
}

Status DebugSwitchMatrix::HandleEvent(HostWindow hWnd, const uint32_t* event, const double* value) {
  const uint32_t number = event ? *event : 0;
  // Event 62 carries a text where the other events carry a double.
  const char* text = number == SWM_EVENT_SendPilotInterfaceData ? reinterpret_cast<const char*>(value) : nullptr;
  const double real = (value && number != SWM_EVENT_SendPilotInterfaceData) ? *value : 0.0;
  return ShowBox(hWnd, EventText(number, real, text),
                 "WARNING: Device driver is NOT yet initialized during this event!!!\n");
}

Status DebugSwitchMatrix::HandleRequest(HostWindow hWnd, const uint32_t* request, void* data) {
  const Status shown = ShowBox(hWnd, RequestText(request ? *request : 0),
                               "WARNING: Device driver is NOT yet initialized during this request!!!\n");
  const Status answered = SwitchMatrixBase::HandleRequest(hWnd, request, data);
  return shown ? shown : answered;
}
