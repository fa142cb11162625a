#include "drivers/relaycards/DAE_CB_RO16.h"

#include <cstdio>

#include "dialogs/DuringAfterPanel.h"
#include "framework/HostEvents.h"
#include "logging/JournexEntry.h"
#include "streams/DeviceStreamStatus.h"

namespace {
std::string Key(int relay, int set) { return "Relais" + std::to_string(relay + 1) + (set == 0 ? "Start" : "Stop"); }
}  // namespace

DAE_CB_RO16::DAE_CB_RO16() : StreamSwitchMatrix({"RS-232", "TCPIP", "USB"}) {
  for (auto& set : settings_) set.fill(kDoNotSwitch);
}

uint32_t DAE_CB_RO16::LoadProgramSettings(uint32_t hostContext, SettingsStore store) {
  if (store) {
    store->PushTable(kTable);
    for (int set = 0; set < 2; ++set)
      for (int relay = 0; relay < kRelays; ++relay)
        settings_[set][relay] = static_cast<int>(store->Read(Key(relay, set), static_cast<long>(settings_[set][relay])));
    store->PopTable();
  }
  return StreamSwitchMatrix::LoadProgramSettings(hostContext, store);
}

uint32_t DAE_CB_RO16::SaveProgramSettings(uint32_t hostContext, SettingsStore store) {
  if (store) {
    store->PushTable(kTable);
    for (int set = 0; set < 2; ++set)
      for (int relay = 0; relay < kRelays; ++relay) store->Write(Key(relay, set), static_cast<long>(settings_[set][relay]));
    store->PopTable();
  }
  return StreamSwitchMatrix::SaveProgramSettings(hostContext, store);
}

Status DAE_CB_RO16::PredefineStreamConfiguration(uint32_t hostContext) {
  // The board's commands end in "//" and its answer is two raw bytes.
  DeviceStreamSettings stream = GetStreamSettings();
  stream.sendTermination.clear();
  stream.sendTerminationEnabled = false;
  stream.receiveTermination.clear();
  stream.receiveTerminationEnabled = false;
  SetStreamSettings(stream);
  return StreamSwitchMatrix::PredefineStreamConfiguration(hostContext);
}

Status DAE_CB_RO16::CheckDevice(HostWindow hWnd) {
  Status status = ConnectStream(hWnd, true);
  std::string answer;
  if (status == 0) status = WriteRead(hWnd, "ask//", answer, 2, 0);
  if (status == 0 && answer.size() == 2) {
    // The board answers exactly two bytes; an instrument of another kind
    // goes on talking, which a short look for a third byte finds.
    const double kept = GetTimeout(hWnd);
    SetTimeout(hWnd, kLongerAnswerWaitSeconds);
    std::string more;
    Read(hWnd, more, 1);
    SetTimeout(hWnd, kept);
    answer += more;
  }
  if (status == 0 && answer.size() != 2) status = DRV_ERR_WRONG_DEVICE;
  JournexEntry::Note("CheckDevice", "DA_CB_RO16", status == 0 ? "Complete" : "Error",
                     "CheckDevice(" + std::to_string(answer.size()) + " bytes)", {{"Err", status}});
  return FirstError(status, DisconnectStream(hWnd));
}

std::vector<std::string> DAE_CB_RO16::Commands(int set) const {
  std::vector<std::string> commands;
  if (set != 0 && set != 1) return commands;
  for (const auto& [setting, sign] : {std::pair{kNormallyClosed, '-'}, std::pair{kNormallyOpen, '+'}}) {
    for (int relay = 0; relay < kRelays; ++relay) {
      if (settings_[set][relay] != setting) continue;
      char command[16];
      std::snprintf(command, sizeof command, "%02d%c//", relay + 1, sign);
      commands.emplace_back(command);
    }
  }
  return commands;
}

Status DAE_CB_RO16::ApplySet(int set) {
  Status status = 0;
  for (const std::string& command : Commands(set)) {
    status = Send(command);
    if (status != 0) break;
    timing.Wait(kPauseMilliseconds);
  }
  return status;
}

Status DAE_CB_RO16::HandleEvent(HostWindow, const uint32_t* event, const double*) {
  if (!event) return 0;
  if (*event == SWM_EVENT_TestStopped) return ApplySet(1);
  if (*event == SWM_EVENT_InitialisationStarted) return ApplySet(0);
  return 0;
}

Status DAE_CB_RO16::AddConfigurationDialogPanels(HostWindow hWnd, PanelList& panels) {
  const Status status = StreamSwitchMatrix::AddConfigurationDialogPanels(hWnd, panels);
  DuringAfterLayout layout;
  layout.count = kRelays;
  layout.choices = {{"Do not switch", kDoNotSwitch}, {"Normally Closed", kNormallyClosed}, {"Normally Open", kNormallyOpen}};
  layout.get = [this](DuringAfterLayout::Slot s) { return Setting(s.state, s.index); };
  layout.set = [this](DuringAfterLayout::Slot s, int v) { SetSetting(s.state, s.index, v); };
  panels.Add({[layout] { return new DuringAfterPanel(layout); }, kPanelName, "Switch Matrix"});
  return status;
}
