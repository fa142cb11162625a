#include "drivers/hubline/HublineExternalSwitch.h"

#include "streams/DeviceStreamStatus.h"

HublineExternalSwitch::HublineExternalSwitch(const std::string& expectedIdentification, int count,
                                             bool externalBoxesSupported)
    : HublineSwitchBase(expectedIdentification, externalBoxesSupported), count_(count) {}

uint32_t HublineExternalSwitch::LoadProgramSettings(uint32_t hostContext, SettingsStore store) {
  uint32_t status = HublineSwitchBase::LoadProgramSettings(hostContext, store);
  if (!store) return status;
  store->PushTable(kTable);
  store->PushTable("Internal");
  for (int i = 0; i < kRelays; ++i) {
    store->PushTable(std::to_string(i));
    for (int state = 0; state < 2; ++state)
      internal[state][i] = static_cast<RelaisSettings>(
          store->Read(state == kDuring ? "Start" : "Stop", static_cast<long>(internal[state][i])));
    store->PopTable();
  }
  store->PopTable();
  boxes.Load(*store);
  store->PopTable();
  return status;
}

uint32_t HublineExternalSwitch::SaveProgramSettings(uint32_t hostContext, SettingsStore store) {
  uint32_t status = HublineSwitchBase::SaveProgramSettings(hostContext, store);
  if (!store) return status;
  store->PushTable(kTable);
  store->PushTable("Internal");
  for (int i = 0; i < kRelays; ++i) {
    store->PushTable(std::to_string(i));
    for (int state = 0; state < 2; ++state)
      store->Write(state == kDuring ? "Start" : "Stop", static_cast<long>(internal[state][i]));
    store->PopTable();
  }
  store->PopTable();
  boxes.Save(*store);
  store->PopTable();
  return status;
}

Status HublineExternalSwitch::SetRelays(int state) {
  if (state != kDuring && state != kAfter) return 0;
  std::vector<std::string> commands;
  for (int i = 0; i < kRelays; ++i) {
    const char letter = static_cast<char>('A' + i);
    // Any setting other than "Normally open" that asks for a change means "Normally closed" here.
    if (internal[state][i] != RelaisDoNotChange)
      commands.push_back(std::string("INT_RELAY_") + letter +
                         (internal[state][i] == RelaisNormallyOpen ? "_NO\n" : "_NC\n"));
  }
  for (const std::string& command : boxes.Commands(state)) commands.push_back(command);
  for (const std::string& command : commands) {
    std::string reply;
    Status status = SendCommand(command, reply, 3);
    if (status != 0 && status != streamstatus::kReadTimedOut) return status;
  }
  return 0;
}

std::vector<std::string> HublineExternalSwitch::ExternalChoiceTexts() const {
  std::vector<std::string> texts{"Do not change"};
  for (int position = 1; position <= 6; ++position) texts.push_back("Position " + std::to_string(position));
  return texts;
}
