#include "drivers/hubline/HublineSwitch6Point.h"

#include <algorithm>

#include "streams/DeviceStreamStatus.h"

namespace {
// Answers of a switch command that still leave the switch where it was asked to go.
constexpr Status kSwitchAnswerAccepted1 = 0x30000FA6;
constexpr Status kSwitchAnswerAccepted2 = 0x30000FA7;

// "Relais1Start" … "Relais2Stop" for switches A and B.
std::string RelaisKey(int number, int state) {
  return "Relais" + std::to_string(number) + (state == HublineSwitchBase::kDuring ? "Start" : "Stop");
}

std::vector<std::string> OutputTexts() {
  std::vector<std::string> texts{"Do not change"};
  for (int output = 1; output <= 6; ++output) texts.push_back("Output " + std::to_string(output));
  return texts;
}
}  // namespace

HublineSwitch6Point::HublineSwitch6Point(const std::string& expectedIdentification, int count,
                                         bool externalBoxesSupported)
    : HublineSwitchBase(expectedIdentification, externalBoxesSupported), count_(count) {
  for (auto& switches : internal) switches.fill(hublineswitch6point::Output1);
}

uint32_t HublineSwitch6Point::LoadProgramSettings(uint32_t hostContext, SettingsStore store) {
  uint32_t status = HublineSwitchBase::LoadProgramSettings(hostContext, store);
  if (!store) return status;
  store->PushTable(kTable);
  for (int state = 0; state < 2; ++state)
    for (int i = 0; i < kSwitches; ++i)
      internal[state][i] =
          static_cast<PortNumbers>(store->Read(RelaisKey(i + 1, state), static_cast<long>(internal[state][i])));
  if (ExternalBoxesSupported()) boxes.Load(*store);
  store->PopTable();
  return status;
}

uint32_t HublineSwitch6Point::SaveProgramSettings(uint32_t hostContext, SettingsStore store) {
  uint32_t status = HublineSwitchBase::SaveProgramSettings(hostContext, store);
  if (!store) return status;
  store->PushTable(kTable);
  for (int state = 0; state < 2; ++state)
    for (int i = 0; i < kSwitches; ++i) store->Write(RelaisKey(i + 1, state), static_cast<long>(internal[state][i]));
  if (ExternalBoxesSupported()) boxes.Save(*store);
  store->PopTable();
  return status;
}

Status HublineSwitch6Point::SetRelays(int state) {
  if (state != kDuring && state != kAfter) return 0;
  for (int i = 0; i < std::min(count_, kSwitches); ++i) {
    const int position = static_cast<int>(internal[state][i]);
    if (position == 0) continue;
    std::string reply;
    const std::string command =
        SwitchPrefix() + "_RELAY_" + static_cast<char>('A' + i) + "_" + std::to_string(position) + "\n";
    Status status = SendCommand(command, reply, 3);
    if (status != 0 && status != streamstatus::kReadTimedOut && status != kSwitchAnswerAccepted1 &&
        status != kSwitchAnswerAccepted2)
      return status;
  }
  if (!ExternalBoxesSupported()) return 0;
  for (const std::string& command : boxes.Commands(state)) {
    std::string reply;
    Status status = SendCommand(command, reply, 3);
    if (status != 0 && status != streamstatus::kReadTimedOut) return status;
  }
  return 0;
}

std::vector<std::string> HublineSwitch6Point::InternalChoiceTexts() const { return OutputTexts(); }

std::vector<std::string> HublineSwitch6Point::ExternalChoiceTexts() const { return OutputTexts(); }
