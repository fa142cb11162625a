#include "drivers/toyo/ToyoNS4900.h"

#include <algorithm>

#include "drivers/toyo/ToyoRelaisPanel.h"
#include "framework/HostEvents.h"
#include "logging/JournexEntry.h"

ToyoNS4900::ToyoNS4900(int relayCount)
    : StreamSwitchMatrix({"GPIB", "RS-232", "TCPIP", "VISA", "USB"}), relayCount_(std::clamp(relayCount, 1, kRelays)) {
  for (int relay = 0; relay < kRelays; ++relay) {
    const std::string table = "Relais" + std::to_string(relay + 1);
    settings_[kDuring][relay] = std::make_unique<StorableMemberVariable<toyo::RelaisSettings>>(
        toyo::DoNotChange, storableMembers, table, "RelaisDuring");
    settings_[kAfter][relay] = std::make_unique<StorableMemberVariable<toyo::RelaisSettings>>(
        toyo::DoNotChange, storableMembers, table, "RelaisAfter");
  }
}

Status ToyoNS4900::CheckDevice(HostWindow hWnd) {
  // The unit has no identification: the check connects and disconnects.
  SetIdentificationQuery("");
  SetExpectedResponse("");
  return RunIdentificationCheck(hWnd);
}

std::string ToyoNS4900::Command(int set) const {
  std::string command;
  if (set != kDuring && set != kAfter) return command;
  for (int relay = 0; relay < relayCount_; ++relay) {
    const toyo::RelaisSettings setting = Setting(set, relay);
    if (setting == toyo::Set) command += "S" + std::to_string(relay + 1);
    if (setting == toyo::Reset) command += "R" + std::to_string(relay + 1);
  }
  return command;
}

Status ToyoNS4900::SendSettings(int set) {
  const std::string command = Command(set);
  if (command.empty()) return 0;
  const Status status = Write(0, command, false);
  JournexEntry::Note("SendSettings", "ToyoNS4900", status == 0 ? "Complete" : "Error",
                     "SendSettings(" + command + ")", {{"set", set}, {"Err", status}});
  return status;
}

Status ToyoNS4900::HandleEvent(HostWindow, const uint32_t* event, const double*) {
  if (!event) return 0;
  if (*event == SWM_EVENT_InitialisationStarted) return SendSettings(kDuring);
  if (*event == SWM_EVENT_TestStopped) return SendSettings(kAfter);
  return 0;
}

Status ToyoNS4900::AddConfigurationDialogPanels(HostWindow hWnd, PanelList& panels) {
  const Status status = StreamSwitchMatrix::AddConfigurationDialogPanels(hWnd, panels);
  panels.Add({[this] { return new ToyoRelaisPanel(*this); }, kPanelName, kPanelTitle});
  return status;
}
