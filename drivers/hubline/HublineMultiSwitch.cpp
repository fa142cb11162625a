#include "drivers/hubline/HublineMultiSwitch.h"

#include "dialogs/PanelList.h"
#include "drivers/hubline/HublineMultiSwitchPanel.h"
#include "drivers/hubline/HublineSwitch.h"
#include "drivers/hubline/HublineSwitch6Point.h"
#include "framework/HostEvents.h"
#include "logging/JournexEntry.h"

namespace {
constexpr std::string_view kModule = "HublineMultiSwitch";

Status First(Status sofar, Status next) { return sofar != 0 ? sofar : next; }
}  // namespace

HublineMultiSwitch::Card HublineMultiSwitch::CreateCard(const std::string& deviceType) {
  if (deviceType.find("TQS2P") != std::string::npos) return std::make_unique<HublineSwitch>("TQS2PA", 2, true);
  if (deviceType.find("TQS4P") != std::string::npos) return std::make_unique<HublineSwitch>("TQS4PA", 4, true);
  if (deviceType.find("TQS6P") != std::string::npos) return std::make_unique<HublineSwitch6Point>("TQS6PA", 2, true);
  return nullptr;
}

Status HublineMultiSwitch::CheckDevice(HostWindow hWnd) {
  for (const Card& card : cards_)
    if (Status status = card->CheckDevice(hWnd)) return status;
  return 0;
}

Status HublineMultiSwitch::InitDevice(HostWindow hWnd) {
  Status status = 0;
  for (const Card& card : cards_) status = First(status, card->InitDevice(hWnd));
  return status;
}

Status HublineMultiSwitch::DeInitDevice(HostWindow hWnd) {
  Status status = 0;
  for (const Card& card : cards_) status = First(status, card->DeInitDevice(hWnd));
  return status;
}

Status HublineMultiSwitch::HandleEvent(HostWindow, const uint32_t* event, const double*) {
  if (!event) return 0;
  int state = -1;
  if (*event == SWM_EVENT_InitialisationStarted) state = HublineSwitchBase::kDuring;
  if (*event == SWM_EVENT_TestStopped) state = HublineSwitchBase::kAfter;
  if (state < 0) return 0;
  Status status = 0;
  for (const Card& card : cards_) status = First(status, card->SetRelays(state));
  return status;
}

Status HublineMultiSwitch::HandleRequest(HostWindow hWnd, const uint32_t* request, void* data) {
  if (!request || *request != SWM_REQUEST_InterlockClosed)
    return SwitchMatrixBase::HandleRequest(hWnd, request, data);
  Status status = 0;
  for (const Card& card : cards_) status = First(status, card->AliveCheck());
  if (data) *static_cast<uint32_t*>(data) = status == 0 ? 1 : 0;
  return status;
}

Status HublineMultiSwitch::GetErrorString(HostWindow hWnd, uint32_t err, char* buffer, uint32_t bufferSize,
                                          uint32_t* read) {
  for (const Card& card : cards_) {
    uint32_t count = 0;
    const Status status = card->GetErrorString(hWnd, err, buffer, bufferSize, &count);
    if (count > 0 || (bufferSize > 0 && buffer && buffer[0] != '\0')) {
      if (read) *read = count;
      return status;
    }
  }
  return SwitchMatrixBase::GetErrorString(hWnd, err, buffer, bufferSize, read);
}

uint32_t HublineMultiSwitch::LoadProgramSettings(uint32_t hostContext, SettingsStore store) {
  uint32_t status = SwitchMatrixBase::LoadProgramSettings(hostContext, store);
  if (!store) return status;
  store->PushTable(kTable);
  const long count = store->Read("Count", 0L);
  std::vector<Card> cards;
  for (long i = 0; i < count; ++i) {
    store->PushTable("Relais" + std::to_string(i));
    const std::string type = store->Read("DeviceType", std::string());
    if (Card card = CreateCard(type)) {
      status = First(status, card->LoadProgramSettings(hostContext, store));
      cards.push_back(std::move(card));
    } else {
      JournexEntry::Note("LoadProgramSettings", kModule, "Warning",
                         "Skipped switch board " + std::to_string(i) + " of unknown type '" + type + "'");
    }
    store->PopTable();
  }
  store->PopTable();
  cards_ = std::move(cards);
  return status;
}

uint32_t HublineMultiSwitch::SaveProgramSettings(uint32_t hostContext, SettingsStore store) {
  uint32_t status = SwitchMatrixBase::SaveProgramSettings(hostContext, store);
  if (!store) return status;
  store->PushTable(kTable);
  store->Write("Count", static_cast<long>(cards_.size()));
  for (size_t i = 0; i < cards_.size(); ++i) {
    store->PushTable("Relais" + std::to_string(i));
    store->Write("DeviceType", cards_[i]->ModelName());
    status = First(status, cards_[i]->SaveProgramSettings(hostContext, store));
    store->PopTable();
  }
  store->PopTable();
  return status;
}

Status HublineMultiSwitch::AddConfigurationDialogPanels(HostWindow hWnd, PanelList& panels) {
  panels.Add({[this, hWnd] { return new HublineMultiSwitchPanel(*this, hWnd); }, kPanelName, kPanelTitle});
  return 0;
}
