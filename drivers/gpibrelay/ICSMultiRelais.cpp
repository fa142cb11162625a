#include "drivers/gpibrelay/ICSMultiRelais.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "drivers/gpibrelay/IdentificationText.h"
#include "drivers/gpibrelay/InterlockInputPanel.h"
#include "drivers/gpibrelay/RelayPanels.h"
#include "platform/Clock.h"

namespace {
constexpr size_t kAnswerLength = 100;  // at most 99 characters

std::string Upper(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::toupper(c); });
  return text;
}
}  // namespace

ICSMultiRelais::ICSMultiRelais(const std::string& model, int relays)
    : GpibRelayDriver(RelaySettingsTable("ICS" + model, relays, kLeave)), model_(model) {}

std::vector<RelayChoice> ICSMultiRelais::Choices() const { return {{kLeave, "Leave"}, {kSet, "Set"}, {kReset, "Reset"}}; }

std::vector<std::string> ICSMultiRelais::Commands(int set) const {
  std::vector<std::string> commands;
  for (int relay = 0; relay < settings_.Count(); ++relay) {
    const long value = settings_.Get(set, relay);
    if (value != kSet && value != kReset) continue;
    char command[16];
    std::snprintf(command, sizeof command, "R%02ld%0d", static_cast<long>(relay + 1), value == kSet ? 1 : 0);
    commands.push_back(command);
  }
  return commands;
}

Status ICSMultiRelais::SendSet(HostWindow hWnd, int set) {
  for (const std::string& command : Commands(set))
    if (const Status status = Send(hWnd, command, false)) return status;
  return 0;
}

Status ICSMultiRelais::CheckDevice(HostWindow hWnd) {
  Status status = OpenDevice(hWnd);
  if (status) return status;
  std::string answer;
  status = SendGPIB("@");
  if (!status) {
    SleepMilliseconds(kIdentificationPauseMs);
    status = ReceiveGPIB(&answer, kAnswerLength);
  }
  if (!status && Upper(answer).find(model_) == std::string::npos) {
    received_ = answer;
    status = kIdentificationMismatch;
  }
  return FirstError(status, CloseDevice(hWnd));
}

Status ICSMultiRelais::HandleRequest(HostWindow hWnd, const uint32_t* request, void* data) {
  if (request && data && *request == SWM_REQUEST_InterlockClosed) {
    *static_cast<uint32_t*>(data) = 1;
    return 0;
  }
  return SwitchMatrixBase::HandleRequest(hWnd, request, data);
}

std::string ICSMultiRelais::OwnErrorText(uint32_t err) const {
  return err == kIdentificationMismatch ? IdentificationMismatchText(received_, model_) : std::string();
}

void ICSMultiRelais::AddRelayPanel(PanelList& panels) {
  AddRelayChoicesPanel(panels, *this, {"ICS4874ConfigDialog", "Relays", "ID_DURING_RELAIS_%d", "ID_AFTER_RELAIS_%d"});
}

uint32_t ICS4874Interlock::LoadProgramSettings(uint32_t hostContext, SettingsStore store) {
  const uint32_t status = ICS4874MultiRelais::LoadProgramSettings(hostContext, store);
  if (store) {
    store->PushTable(settings_.Table());
    interlockRelais_ = store->Read("InterlockRelais", interlockRelais_);
    store->PopTable();
  }
  return status;
}

uint32_t ICS4874Interlock::SaveProgramSettings(uint32_t hostContext, SettingsStore store) {
  const uint32_t status = ICS4874MultiRelais::SaveProgramSettings(hostContext, store);
  if (store) {
    store->PushTable(settings_.Table());
    store->Write("InterlockRelais", interlockRelais_);
    store->PopTable();
  }
  return status;
}

Status ICS4874Interlock::HandleRequest(HostWindow hWnd, const uint32_t* request, void* data) {
  if (!request || !data || *request != SWM_REQUEST_InterlockClosed)
    return ICS4874MultiRelais::HandleRequest(hWnd, request, data);
  auto* closed = static_cast<uint32_t*>(data);
  *closed = 0;
  if (interlockRelais_ < 0 || interlockRelais_ >= kInputs) return kNoInterlockInput;
  char query[32];
  std::snprintf(query, sizeof query, "I%02ld?", interlockRelais_ + 1);
  std::string answer;
  const Status status = SaveSendGPIB(hWnd, query, false, kAnswerLength, &answer);
  if (!status) *closed = answer.starts_with("1") ? 1 : 0;
  return status;
}

std::string ICS4874Interlock::OwnErrorText(uint32_t err) const {
  if (err != kNoInterlockInput) return ICS4874MultiRelais::OwnErrorText(err);
  return "No interlock input is chosen (InterlockRelais=" + std::to_string(interlockRelais_) +
         "; inputs 1 to 8 are 0 to 7): the interlock cannot be asked.";
}

Status ICS4874Interlock::AddConfigurationDialogPanels(HostWindow hWnd, PanelList& panels) {
  AddInterlockInputPanel(panels, interlockRelais_, kInputs);
  return ICS4874MultiRelais::AddConfigurationDialogPanels(hWnd, panels);
}
