#include "drivers/sc1000/SC1000.h"

#include <cstdio>

#include "drivers/sc1000/SC1000Panel.h"
#include "framework/HostEvents.h"
#include "logging/JournexEntry.h"
#include "streams/DeviceStreamStatus.h"

namespace {
constexpr const char* kSettingsTable = "SC1000";
}  // namespace

SC1000::Positions::Positions(StorableMembersManager& members) {
  for (int set = 0; set < 2; ++set)
    for (int n = 1; n <= kSwitches; ++n)
      (*this)[set][n - 1] = std::make_unique<PositionMember>(
          sc1000::DontSwitch, members, kSettingsTable, "Relais" + std::to_string(n) + (set == 0 ? "Start" : "Stop"));
}

SC1000::SC1000()
    : StreamSwitchMatrix({"GPIB", "RS-232", "TCPIP", "VISA", "USB"}),
      positions_(storableMembers),
      model_(sc1000::ModelSC1000, storableMembers, kSettingsTable, "Model"),
      wait_(0, storableMembers, kSettingsTable, "Wait") {}

Status SC1000::CheckDevice(HostWindow hWnd) {
  const Status status = ConnectStream(hWnd, true);
  return FirstError(status, DisconnectStream(hWnd));
}

Status SC1000::InitDevice(HostWindow hWnd) {
  Status status = StreamSwitchMatrix::InitDevice(hWnd);
  if (status != 0 || !IsConnected() || !IsReady()) return status;
  status = Write(hWnd, "P1\n", false);
  if (status == 0) timing.Wait(kInitPauseMilliseconds);
  if (status == 0) status = Write(hWnd, "R\n", false);
  if (status == 0) timing.Wait(kInitPauseMilliseconds);
  return status;
}

bool SC1000::SwitchEnabled(sc1000::eModelSettingsSC1000 model, int number) {
  using namespace sc1000;
  switch (number) {
    case 3:
    case 4:
      return model == ModelSC1000 || model == ModelSC1000M1;
    case 6:
      return model == ModelSC1000M1 || model == ModelSC1000M3 || model == ModelSC1000M4;
    case 7:
      return model == ModelSC1000M1;
    default:
      return true;
  }
}

Status SC1000::SendSet(int set) {
  if (set != kDuring && set != kAfter) return 0;
  Status status = 0;
  for (int n = 1; n <= kSwitches && status == 0; ++n) {
    const int position = Position(set, n - 1);
    if (position == sc1000::DontSwitch) continue;
    // A switch to set on a closed stream is a failure, never a silent success.
    if (!IsConnected()) {
      status = streamstatus::kNotConnected;
      break;
    }
    char command[32];
    std::snprintf(command, sizeof command, "SW%i-%i\r", n, position);
    status = Write(0, command, false);
  }
  JournexEntry::Note("SendSet", "SC1000", status == 0 ? "Complete" : "Error", "SendSet()",
                     {{"set", set}, {"Err", status}});
  return status;
}

Status SC1000::HandleEvent(HostWindow, const uint32_t* event, const double*) {
  if (!event) return 0;
  if (*event == SWM_EVENT_InitialisationStarted && !duringActive_) {
    const Status status = SendSet(kDuring);
    if (status == 0) duringActive_ = true;
    return status;
  }
  if (*event == SWM_EVENT_TestStopped && duringActive_) {
    const Status status = SendSet(kAfter);
    if (status == 0) duringActive_ = false;
    return status;
  }
  return 0;
}

Status SC1000::AddConfigurationDialogPanels(HostWindow hWnd, PanelList& panels) {
  panels.Add({[this] { return new SC1000Panel(*this); }, kDialogName, "Switches"});
  return StreamSwitchMatrix::AddConfigurationDialogPanels(hWnd, panels);
}
