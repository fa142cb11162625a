#include "drivers/kre/KREBase.h"

#include <cstdio>

#include "logging/JournexEntry.h"

namespace {
std::string Key(int relay, int set) { return "Relais" + std::to_string(relay + 1) + (set == 0 ? "Start" : "Stop"); }
}  // namespace

KREBase::KREBase(std::string table) : table_(std::move(table)) {
  for (auto& set : positions_) set.fill(kDoNotSwitch);
  for (const char* transport : {"RS-232", "TCPIP", "USB", "GPIB", "VISA"}) Manager().AddStreamConfiguration(transport);
  Manager().SetDefaultTypeName("RS-232");
}

uint32_t KREBase::LoadProgramSettings(uint32_t hostContext, SettingsStore store) {
  if (store) {
    store->PushTable(table_);
    for (int set = 0; set < 2; ++set)
      for (int relay = 0; relay < kRelays; ++relay)
        positions_[set][relay] = static_cast<int>(store->Read(Key(relay, set), static_cast<long>(positions_[set][relay])));
    wait_ = static_cast<int>(store->Read("Wait", static_cast<long>(wait_)));
    store->PopTable();
  }
  return DeviceStreamClientWithStream::LoadProgramSettings(hostContext, store);
}

uint32_t KREBase::SaveProgramSettings(uint32_t hostContext, SettingsStore store) {
  if (store) {
    store->PushTable(table_);
    for (int set = 0; set < 2; ++set)
      for (int relay = 0; relay < kRelays; ++relay) store->Write(Key(relay, set), static_cast<long>(positions_[set][relay]));
    store->Write("Wait", static_cast<long>(wait_));
    store->PopTable();
  }
  return DeviceStreamClientWithStream::SaveProgramSettings(hostContext, store);
}

std::string KREBase::Command(int set) const {
  std::string command;
  if (set != 0 && set != 1) return command;
  for (int relay = 0; relay < kRelays; ++relay) {
    const int position = positions_[set][relay];
    if (position == kDoNotSwitch) continue;
    char piece[32];
    std::snprintf(piece, sizeof piece, "R%ldP%d", static_cast<long>(relay + 1), position);
    command += piece;
  }
  return command;
}

Status KREBase::ApplySet(int set) {
  const std::string command = Command(set);
  Status status = 0;
  if (!command.empty()) status = Write(0, command, false);
  JournexEntry::Note("ApplySet", "KREBase", status == 0 ? "Complete" : "Error", "ApplySet(" + command + ")",
                     {{"set", set}, {"Err", status}});
  if (status == 0 && wait_ > 0) timing_.Wait(static_cast<uint32_t>(wait_));
  return status;
}

std::vector<std::pair<wxString, int>> KREBase::PositionChoices() {
  std::vector<std::pair<wxString, int>> choices{{"Do not switch", kDoNotSwitch}};
  for (int position = 0; position <= kHighestPosition; ++position)
    choices.emplace_back(wxString::Format("Position %d", position), position);
  return choices;
}
