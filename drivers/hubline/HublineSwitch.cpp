#include "drivers/hubline/HublineSwitch.h"

#include <cstdio>

#include "streams/DeviceStreamStatus.h"

namespace {
// "Relais1Start" … "Relais8Stop": 1–4 the internal relays, 5–8 the outputs.
std::string RelaisKey(int number, int state) {
  return "Relais" + std::to_string(number) + (state == HublineSwitchBase::kDuring ? "Start" : "Stop");
}
}  // namespace

HublineSwitch::HublineSwitch(const std::string& expectedIdentification, int count, bool externalBoxesSupported)
    : HublineSwitchBase(expectedIdentification, externalBoxesSupported), count_(count) {}

uint32_t HublineSwitch::LoadProgramSettings(uint32_t hostContext, SettingsStore store) {
  uint32_t status = HublineSwitchBase::LoadProgramSettings(hostContext, store);
  if (!store) return status;
  store->PushTable(kTable);
  for (int state = 0; state < 2; ++state) {
    for (int i = 0; i < kRelays; ++i) {
      internal[state][i] = static_cast<RelaisSettings>(store->Read(RelaisKey(i + 1, state), 0L));
      external[state][i] = static_cast<PortNumbersExtern>(store->Read(RelaisKey(i + 5, state), 0L));
    }
  }
  store->PopTable();
  return status;
}

uint32_t HublineSwitch::SaveProgramSettings(uint32_t hostContext, SettingsStore store) {
  uint32_t status = HublineSwitchBase::SaveProgramSettings(hostContext, store);
  if (!store) return status;
  store->PushTable(kTable);
  for (int state = 0; state < 2; ++state) {
    for (int i = 0; i < kRelays; ++i) {
      store->Write(RelaisKey(i + 1, state), static_cast<long>(internal[state][i]));
      store->Write(RelaisKey(i + 5, state), static_cast<long>(external[state][i]));
    }
  }
  store->PopTable();
  return status;
}

Status HublineSwitch::SetRelays(int state) {
  if (state != kDuring && state != kAfter) return 0;
  std::vector<std::string> commands;
  for (int i = 0; i < kRelays; ++i) {
    const char letter = static_cast<char>('A' + i);
    if (internal[state][i] == RelaisNormallyOpen) commands.push_back(std::string("INT_RELAY_") + letter + "_NO\n");
    if (internal[state][i] == RelaisNormallyClosed) commands.push_back(std::string("INT_RELAY_") + letter + "_NC\n");
  }
  for (int i = 0; i < kRelays; ++i) {
    const std::string output = std::to_string(i + 1);
    if (external[state][i] == ExternActive) commands.push_back("EXT_RELAY_" + output + "_ACTIVE\n");
    if (external[state][i] == ExternIdle) commands.push_back("EXT_RELAY_" + output + "_IDLE\n");
  }
  for (const std::string& command : commands) {
    std::string reply;
    Status status = SendCommand(command, reply, 3);
    if (status != 0 && status != streamstatus::kReadTimedOut) return status;
  }
  return 0;
}
