#include "drivers/relaycards/MCC_USB_ERB24.h"

#include "dialogs/DuringAfterPanel.h"
#include "dialogs/PanelList.h"
#include "drivers/relaycards/MccUniversalLibrary.h"
#include "framework/HostEvents.h"
#include "framework/TextBuffer.h"
#include "logging/JournexEntry.h"

namespace {
std::string Key(int relay, int set) { return "Relais" + std::to_string(relay + 1) + (set == 0 ? "Start" : "Stop"); }

MCC_UniversalLibrary& Library() { return MCC_UniversalLibrary::Instance(); }
}  // namespace

MCC_USB_ERBBase::~MCC_USB_ERBBase() {
  if (opened_) Library().Close();
}

void MCC_USB_ERBBase::EnsureSize() {
  for (auto& set : settings_)
    if (static_cast<int>(set.size()) != Count()) set.resize(static_cast<size_t>(Count()), kDoNotSwitch);
}

int MCC_USB_ERBBase::Setting(int set, int relay) {
  EnsureSize();
  return settings_[set][static_cast<size_t>(relay)];
}

void MCC_USB_ERBBase::SetSetting(int set, int relay, int value) {
  EnsureSize();
  settings_[set][static_cast<size_t>(relay)] = value;
}

uint32_t MCC_USB_ERBBase::LoadProgramSettings(uint32_t hostContext, SettingsStore store) {
  EnsureSize();
  if (store) {
    store->PushTable(kTable);
    for (int set = 0; set < 2; ++set)
      for (int relay = 0; relay < Count(); ++relay)
        SetSetting(set, relay, static_cast<int>(store->Read(Key(relay, set), static_cast<long>(Setting(set, relay)))));
    store->PopTable();
  }
  return SwitchMatrixBase::LoadProgramSettings(hostContext, store);
}

uint32_t MCC_USB_ERBBase::SaveProgramSettings(uint32_t hostContext, SettingsStore store) {
  EnsureSize();
  if (store) {
    store->PushTable(kTable);
    for (int set = 0; set < 2; ++set)
      for (int relay = 0; relay < Count(); ++relay) store->Write(Key(relay, set), static_cast<long>(Setting(set, relay)));
    store->PopTable();
  }
  return SwitchMatrixBase::SaveProgramSettings(hostContext, store);
}

Status MCC_USB_ERBBase::CheckDevice(HostWindow) {
  const Status status = Library().Open();
  if (status == 0) Library().Close();
  return status;
}

Status MCC_USB_ERBBase::InitDevice(HostWindow) {
  if (opened_) return 0;
  const Status status = Library().Open();
  opened_ = status == 0;
  return status;
}

Status MCC_USB_ERBBase::DeInitDevice(HostWindow) {
  if (!opened_) return 0;
  opened_ = false;
  return Library().Close();
}

Status MCC_USB_ERBBase::ApplySet(int set) {
  if (set != 0 && set != 1) return 0;
  // Another driver may hold the library open; this one switches only when it opened the board itself.
  Status status = opened_ ? 0 : kNotOpen;
  for (int relay = 0; relay < Count() && status == 0; ++relay) {
    const int setting = Setting(set, relay);
    if (setting == kNormallyClosed || setting == kNormallyOpen)
      status = Library().DBitOut(relay, setting == kNormallyOpen ? 1 : 0);
  }
  JournexEntry::Note("ApplySet", "MCC_USB_ERBBase", status == 0 ? "Complete" : "Error", "ApplySet()",
                     {{"set", set}, {"Err", status}});
  return status;
}

Status MCC_USB_ERBBase::HandleEvent(HostWindow, const uint32_t* event, const double*) {
  if (!event) return 0;
  if (*event == SWM_EVENT_TestStopped) return ApplySet(1);
  if (*event == SWM_EVENT_InitialisationStarted) return ApplySet(0);
  return 0;
}

Status MCC_USB_ERBBase::GetErrorString(HostWindow hWnd, uint32_t err, char* buffer, uint32_t bufferSize,
                                       uint32_t* read) {
  const std::string text =
      err == kNotOpen ? "The MC Computing relay board is not open. Initialise the device first." : Library().ErrorText(err);
  if (text.empty()) return SwitchMatrixBase::GetErrorString(hWnd, err, buffer, bufferSize, read);
  ClearTextBuffer(buffer, bufferSize, read);
  CopyTextToBuffer(text, buffer, bufferSize, read);
  return 0;
}

Status MCC_USB_ERBBase::AddConfigurationDialogPanels(HostWindow, PanelList& panels) {
  DuringAfterLayout layout;
  layout.count = Count();
  layout.choices = {{"Do not switch", kDoNotSwitch}, {"Normally Closed", kNormallyClosed}, {"Normally Open", kNormallyOpen}};
  layout.get = [this](DuringAfterLayout::Slot s) { return Setting(s.state, s.index); };
  layout.set = [this](DuringAfterLayout::Slot s, int v) { SetSetting(s.state, s.index, v); };
  panels.Add({[layout] { return new DuringAfterPanel(layout); }, kDialogName, "Relais"});
  return 0;
}
