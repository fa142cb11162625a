#include "drivers/osp/OSP.h"

#include <charconv>
#include <cstdio>

#include "drivers/osp/OSPPanel.h"
#include "framework/HostEvents.h"
#include "streams/DeviceStreamStatus.h"

namespace OSP {
namespace {

// A slot's module as stored: its name, or (as enumerations are stored
// elsewhere) its number; anything else is no module.
eModuleSettingsOSP StoredModule(const std::string& text) {
  const EnumClass<eModuleSettingsOSP>& modules = EnumClass<eModuleSettingsOSP>::Instance();
  eModuleSettingsOSP module = NoModuleSelected;
  if (modules.Value(text, &module)) return module;
  int number = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
  if (error != std::errc() || end != text.data() + text.size()) return NoModuleSelected;
  for (const auto& [name, value] : modules.Entries())
    if (static_cast<int>(value) == number) return value;
  return NoModuleSelected;
}

std::string Key(const char* format, int first, int second = 0) {
  char text[48];
  std::snprintf(text, sizeof text, format, first, second);
  return text;
}

std::string Command(const char* format, int frame, int module, int relay, int channel) {
  char text[64];
  std::snprintf(text, sizeof text, format, frame, module, relay, channel);
  return text;
}

}  // namespace

OSP::OSP(const std::string& expectedIdentification) {
  for (auto& state : positions_)
    for (auto& slot : state) slot.fill(kDoNotSwitch);
  OfferTransports(kTransports);
  Manager().SetDefaultTypeName("VISA");
  SetExpectedResponse(expectedIdentification);
}

std::vector<std::string> OSP::AllowedPositions(eModuleSettingsOSP module) const {
  std::vector<std::string> texts = {kDoNotSwitch};
  for (const std::string& position : ModuleTable(module).allowed) texts.push_back(position);
  return texts;
}

std::string OSP::GenerateCommand(int frame, int slot, int relay, int channel) const {
  return Command("ROUTE:CLOSE (@F%02dA%02d(%02d%02d))", frame, slot + 11, relay, channel);
}

std::string OSP220::GenerateCommand(int frame, int slot, int relay, int channel) const {
  return Command("ROUTE:CLOSE (@F%02dM%02d(%02d%02d))", frame, slot < 3 ? slot + 1 : slot + 3, relay, channel);
}

std::string OSP320::GenerateCommand(int frame, int slot, int relay, int channel) const {
  return Command("ROUTE:CLOSE (@F%02dM%02d(%02d%02d))", frame, slot + 1, relay, channel);
}

std::string OSP::NormaliseStoredPosition(const std::string& text, eModuleSettingsOSP module) const {
  return ConvertOlderPosition(text, module);
}

ModuleRelayInfo OSP::GetModuleRelayInfo(int slot) const {
  const AllowedRelayPositions& row = ModuleTable(Module(slot));
  return {row.relays, row.firstRelay, row.HighestIndex(), row.offset};
}

uint32_t OSP::LoadProgramSettings(uint32_t hostContext, SettingsStore store) {
  const uint32_t status = BaseClassesFrequencyIndependent::LoadProgramSettings(hostContext, store);
  if (!store) return status;
  store->PushTable(kTable);
  for (int slot = 0; slot < kSlots; ++slot) {
    const std::string stored = store->ReadNarrow(Key("SelectedModuleSlot%d", slot),
                                                 std::string(EnumClass<eModuleSettingsOSP>::Instance().Name(Module(slot))));
    const eModuleSettingsOSP module = StoredModule(stored);
    SetModule(slot, module);
    for (int relay = 0; relay < kRelays; ++relay) {
      for (int which : {kDuring, kAfter}) {
        const std::string key = Key(which == kDuring ? "DuringRelays%dSlot%d" : "AfterRelays%dSlot%d", relay, slot);
        SetPosition(which, slot, relay, NormaliseStoredPosition(store->ReadNarrow(key, Position(which, slot, relay)), module));
      }
    }
  }
  store->PopTable();
  return status;
}

uint32_t OSP::SaveProgramSettings(uint32_t hostContext, SettingsStore store) {
  const uint32_t status = BaseClassesFrequencyIndependent::SaveProgramSettings(hostContext, store);
  if (!store) return status;
  store->PushTable(kTable);
  for (int slot = 0; slot < kSlots; ++slot) {
    store->WriteNarrow(Key("SelectedModuleSlot%d", slot),
                       std::string(EnumClass<eModuleSettingsOSP>::Instance().Name(Module(slot))));
    for (int relay = 0; relay < kRelays; ++relay) {
      store->WriteNarrow(Key("DuringRelays%dSlot%d", relay, slot), Position(kDuring, slot, relay));
      store->WriteNarrow(Key("AfterRelays%dSlot%d", relay, slot), Position(kAfter, slot, relay));
    }
  }
  store->PopTable();
  return status;
}

Status OSP::InitDevice(HostWindow hWnd) {
  Status status = StreamOpen() ? 0 : ConnectStream(hWnd, true);
  if (status == 0 && !StreamOpen()) status = streamstatus::kNotConnected;
  return status != 0 ? status : Write(hWnd, "*CLS", false);
}

Status OSP::HandleEvent(HostWindow, const uint32_t* event, const double*) {
  if (!event) return 0;
  if ((*event == SWM_EVENT_InitialisationStarted || *event == SWM_EVENT_DeviceDriverInitStopped) && !suppressDuring_)
    return Apply(kDuring);
  if (*event == SWM_EVENT_TestStopped && !suppressAfter_) return Apply(kAfter);
  return 0;
}

Status OSP::Send(const std::string& command) {
  Status status = Write(0, command, false);
  if (status == 0) status = GetLastSystemError();
  if (status == 0) SetCommunicationDelay(kPauseMilliseconds * 1000);
  return status;
}

Status OSP::Apply(int which) {
  for (int slot = 0; slot < SlotCount(); ++slot) {
    const ModuleRelayInfo info = GetModuleRelayInfo(slot);
    const AllowedRelayPositions& row = ModuleTable(Module(slot));
    for (int relay = 0; relay < info.relays && relay < kRelays; ++relay) {
      const int index = PositionIndex(row, Position(which, slot, relay));
      if (index < 1 || index > info.highestIndex) continue;
      const Status status = Send(GenerateCommand(frame_, slot, info.firstRelay + relay, index + info.offset));
      if (status != 0) return status;
    }
  }
  return 0;
}

Status OSP::AddConfigurationDialogPanels(HostWindow hWnd, PanelList& panels) {
  const Status status = CreateStreamConfigurationPanels(hWnd, panels);
  AddOSPPanel(*this, panels);
  return status;
}

}  // namespace OSP
