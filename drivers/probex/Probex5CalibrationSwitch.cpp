#include "drivers/probex/Probex5CalibrationSwitch.h"

#include <cmath>
#include <cstdio>

#include "dialogs/PanelList.h"
#include "drivers/hubline/HublineDialogPanels.h"
#include "drivers/probex/Probex5Panels.h"
#include "framework/NumberConversion.h"
#include "framework/HostEvents.h"
#include "logging/JournexEntry.h"

Probex5CalibrationSwitch::Probex5CalibrationSwitch()
    : HublineBase<SwitchMatrixBase>(kIdentification),
      axis_(probex::PX5_Xaxis, storableMembers, kSettingsTable, "Axis"),
      band_(probex::PX5_High_Band, storableMembers, kSettingsTable, "Band"),
      antenna_(probex::PX5_Antenna1, storableMembers, kSettingsTable, "Antenna") {}

std::string Probex5CalibrationSwitch::StartCommand() const {
  static const char* const kAxes[] = {"X", "Y", "Z"};
  const int axis = axis_.Value() >= 0 && axis_.Value() <= 2 ? axis_.Value() : 0;
  std::string command = std::string("!ADJUST_START ") + kAxes[axis];
  if (band_ == probex::PX5_Low_Band) return command + "LB";
  return command + "HB" + (antenna_ == probex::PX5_Antenna2 ? "2" : "1");
}

double Probex5CalibrationSwitch::FieldOfPower(double dBm) {
  return std::sqrt(50.0 * std::pow(10.0, dBm / 10.0) / 1000.0) / kAntennaFactor;
}

std::string Probex5CalibrationSwitch::FieldCommand(double dBm) {
  char command[64];
  std::snprintf(command, sizeof command, "!ADJUST_FIELD %li", TruncatedToInt32(FieldOfPower(dBm) * 1000.0));
  return command;
}

Status Probex5CalibrationSwitch::Exchange(const std::string& command) {
  std::string reply;
  const Status status = SendCommand(command + "\n", reply, 1);
  JournexEntry::Note("Exchange", "Probex5CalibrationSwitch", status == 0 ? "Complete" : "Error", command,
                     {{"reply", reply}, {"Err", status}});
  return status;
}

Status Probex5CalibrationSwitch::HandleEvent(HostWindow, const uint32_t* event, const double* value) {
  if (!event) return 0;
  switch (*event) {
    case SWM_EVENT_TestStarted:
      return Exchange(StartCommand());
    case SWM_EVENT_TestStopped:
      return Exchange("!ADJUST_STOP");
    case SWM_EVENT_ForwardPowerMeasured:
      return value ? Exchange(FieldCommand(*value)) : 0;
    default:
      return 0;
  }
}

Status Probex5CalibrationSwitch::CheckDevice(HostWindow hWnd) {
  Status status = HublineBase<SwitchMatrixBase>::CheckDevice(hWnd);
  if (status == 0) status = InitDevice(hWnd);
  std::string reply;
  if (status == 0) status = WriteRead(hWnd, "A*IDN?", reply, kMaxReply, 0);
  status = FirstError(status, DeInitDevice(hWnd));
  if (status != 0) return status;
  while (!reply.empty() && (reply.back() == '\n' || reply.back() == '\r')) reply.pop_back();
  return CheckResponseForErrors(reply);
}

Status Probex5CalibrationSwitch::AddConfigurationDialogPanels(HostWindow hWnd, PanelList& panels) {
  const Status status = AddHublineDialogPanels(*this, hWnd, panels);
  panels.Add({[this] { return new Probex5JustatiePanel(*this); }, Probex5JustatiePanel::kName,
              Probex5JustatiePanel::kTitle});
  panels.Add({[] { return new Probex5ProgramPanel(); }, Probex5ProgramPanel::kName, Probex5ProgramPanel::kTitle});
  return status;
}
