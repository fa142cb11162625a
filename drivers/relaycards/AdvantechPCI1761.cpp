#include "drivers/relaycards/AdvantechPCI1761.h"

#include "dialogs/PanelList.h"
#include "drivers/relaycards/AdvantechPanels.h"
#include "framework/HostEvents.h"
#include "framework/TextBuffer.h"
#include "logging/JournexEntry.h"

namespace {
std::string Key(int relay, int set) { return "Relais" + std::to_string(relay + 1) + (set == 0 ? "Start" : "Stop"); }

Status CopyOr(const std::string& text, char* buffer, uint32_t bufferSize, uint32_t* read,
              const std::function<Status()>& fallback) {
  if (text.empty()) return fallback();
  ClearTextBuffer(buffer, bufferSize, read);
  CopyTextToBuffer(text, buffer, bufferSize, read);
  return 0;
}
}  // namespace

AdvantechPCI1761Base::AdvantechPCI1761Base() {
  for (auto& set : settings_) set.fill(kDoNotSwitch);
}

void AdvantechPCI1761Base::LoadCardSettings(const SettingsStore& store) {
  if (!store) return;
  store->PushTable("PCI1761");
  for (int set = 0; set < 2; ++set)
    for (int relay = 0; relay < kRelays; ++relay)
      settings_[set][relay] = static_cast<int>(store->Read(Key(relay, set), static_cast<long>(settings_[set][relay])));
  wait_ = static_cast<int>(store->Read("Wait", static_cast<long>(wait_)));
  store->PopTable();
  store->PushTable("LabCardLib");
  device_ = static_cast<int>(store->Read("Device", static_cast<long>(device_)));
  store->PopTable();
}

void AdvantechPCI1761Base::SaveCardSettings(const SettingsStore& store) const {
  if (!store) return;
  store->PushTable("PCI1761");
  for (int set = 0; set < 2; ++set)
    for (int relay = 0; relay < kRelays; ++relay) store->Write(Key(relay, set), static_cast<long>(settings_[set][relay]));
  store->Write("Wait", static_cast<long>(wait_));
  store->PopTable();
  store->PushTable("LabCardLib");
  store->Write("Device", static_cast<long>(device_));
  store->PopTable();
}

Status AdvantechPCI1761Base::CheckCard() {
  const bool wasOpen = library_.IsOpen();
  const Status status = OpenCard();
  if (status == 0 && !wasOpen) return CloseCard();
  return status;
}

void AdvantechPCI1761Base::WaitAfterSwitching() {
  if (wait_ > 0) timing_.Wait(static_cast<uint32_t>(wait_));
}

Status AdvantechPCI1761Base::ApplySet(int set) {
  if (set != 0 && set != 1) return 0;
  uint16_t output = 0;
  Status status = library_.ReadOutputByte(output);
  if (status == 0) {
    for (int relay = 0; relay < kRelays; ++relay) {
      if (settings_[set][relay] == kOn) output = static_cast<uint16_t>(output | (1u << relay));
      if (settings_[set][relay] == kOff) output = static_cast<uint16_t>(output & ~(1u << relay));
    }
    status = library_.WriteOutputByte(output);
  }
  JournexEntry::Note("ApplySet", "AdvantechPCI1761Base", status == 0 ? "Complete" : "Error", "ApplySet()",
                     {{"set", set}, {"output", static_cast<int>(output)}, {"Err", status}});
  if (status == 0) WaitAfterSwitching();
  return status;
}

std::string AdvantechPCI1761Base::CardErrorText(Status status) const { return library_.ErrorText(status); }

// The switch matrix.

uint32_t AdvantechPCI1761Switch::LoadProgramSettings(uint32_t hostContext, SettingsStore store) {
  LoadCardSettings(store);
  return SwitchMatrixBase::LoadProgramSettings(hostContext, store);
}

uint32_t AdvantechPCI1761Switch::SaveProgramSettings(uint32_t hostContext, SettingsStore store) {
  SaveCardSettings(store);
  return SwitchMatrixBase::SaveProgramSettings(hostContext, store);
}

Status AdvantechPCI1761Switch::HandleEvent(HostWindow, const uint32_t* event, const double*) {
  if (!event) return 0;
  if (*event == SWM_EVENT_TestStopped) return ApplySet(1);
  if (*event == SWM_EVENT_InitialisationStarted) return ApplySet(0);
  return 0;
}

Status AdvantechPCI1761Switch::GetErrorString(HostWindow hWnd, uint32_t err, char* buffer, uint32_t bufferSize,
                                              uint32_t* read) {
  return CopyOr(CardErrorText(err), buffer, bufferSize, read,
                [&] { return SwitchMatrixBase::GetErrorString(hWnd, err, buffer, bufferSize, read); });
}

Status AdvantechPCI1761Switch::AddConfigurationDialogPanels(HostWindow, PanelList& panels) {
  panels.Add({[this] { return new AdvantechPanel(*this, false); }, kDialogName, "Relais"});
  return 0;
}

// The tower: the settings of the driver base first, then those of the card.

uint32_t AdvantechPCI1761AntennaTower::LoadProgramSettings(uint32_t hostContext, SettingsStore store) {
  const uint32_t status = AntennaTowerBase::LoadProgramSettings(hostContext, store);
  LoadCardSettings(store);
  return status;
}

uint32_t AdvantechPCI1761AntennaTower::SaveProgramSettings(uint32_t hostContext, SettingsStore store) {
  const uint32_t status = AntennaTowerBase::SaveProgramSettings(hostContext, store);
  SaveCardSettings(store);
  return status;
}

Status AdvantechPCI1761AntennaTower::GetErrorString(HostWindow hWnd, uint32_t err, char* buffer,
                                                    uint32_t bufferSize, uint32_t* read) {
  return CopyOr(CardErrorText(err), buffer, bufferSize, read,
                [&] { return AntennaTowerBase::GetErrorString(hWnd, err, buffer, bufferSize, read); });
}

Status AdvantechPCI1761AntennaTower::AddConfigurationDialogPanels(HostWindow, PanelList& panels) {
  panels.Add({[this] { return new AdvantechPanel(*this, true); }, kDialogName, "Tower"});
  return 0;
}

Status AdvantechPCI1761AntennaTower::GoToHeight(HostWindow, const double*) { return 0; }

Status AdvantechPCI1761AntennaTower::SetPolarization(HostWindow hWnd, const int32_t* polarization) {
  if (!polarization) return 0;
  int32_t current = 0;
  Status status = GetCurrentPolarization(hWnd, &current);
  if (status != 0 || current == *polarization) return status;
  uint16_t output = 0;
  status = Library().ReadOutputByte(output);
  if (status != 0) return status;
  output = static_cast<uint16_t>(*polarization == kVertical ? output | 1u : output & ~1u);
  status = Library().WriteOutputByte(output);
  if (status == 0) WaitAfterSwitching();
  return status;
}

Status AdvantechPCI1761AntennaTower::GetCurrentPolarization(HostWindow, int32_t* polarization) {
  uint16_t output = 0;
  const Status status = Library().ReadOutputByte(output);
  if (status == 0 && polarization) *polarization = (output & 1u) ? kVertical : kHorizontal;
  return status;
}

Status AdvantechPCI1761AntennaTower::GetCurrentHeight(HostWindow, void* metres) {
  uint16_t output = 0;
  const Status status = Library().ReadOutputByte(output);
  WriteHeight(metres, static_cast<double>(kHeight));
  return status;
}

Status AdvantechPCI1761AntennaTower::GetMinimumPhysicalHeight(HostWindow, void* metres) {
  WriteHeight(metres, static_cast<double>(kHeight));
  return 0;
}

Status AdvantechPCI1761AntennaTower::GetMaximumPhysicalHeight(HostWindow, void* metres) {
  WriteHeight(metres, static_cast<double>(kHeight));
  return 0;
}
