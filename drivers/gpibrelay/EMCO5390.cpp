#include "drivers/gpibrelay/EMCO5390.h"

#include <cstdlib>

#include "drivers/gpibrelay/IdentificationText.h"
#include "drivers/gpibrelay/RelayPanels.h"
#include "platform/ProcessInfo.h"

namespace {
constexpr size_t kIdentificationLength = 100;
constexpr const char* kExpectedModel = "5390";
}  // namespace

EMCO5390::EMCO5390() : GpibRelayDriver(RelaySettingsTable("EMCO5390", 1, kLoadPosition, false)) {
  SetServiceRequestMask(kEventSummary);
}

std::vector<RelayChoice> EMCO5390::Choices() const {
  std::vector<RelayChoice> choices{{kLoadPosition, "Position Load"}};
  for (long position = 1; position <= kLastPosition; ++position)
    choices.push_back({position, "Position " + std::to_string(position)});
  return choices;
}

std::string EMCO5390::Command(long position) {
  if (position == kLoadPosition) return "PLD";
  if (position >= 1 && position <= kLastPosition) return "P" + std::to_string(position);
  return {};
}

uint32_t EMCO5390::CompletionWaitMs() {
  const std::string text = ProcessInfo::Environment("SWMATRIX_EMCO5390_WAIT_MS");
  if (text.empty()) return kCompletionWaitMs;
  char* end = nullptr;
  const unsigned long value = std::strtoul(text.c_str(), &end, 10);
  return end && *end == '\0' && value > 0 && value <= kCompletionWaitMs ? static_cast<uint32_t>(value)
                                                                        : kCompletionWaitMs;
}

Status EMCO5390::CheckDevice(HostWindow hWnd) {
  Status status = OpenDevice(hWnd);
  if (status) return status;
  std::string answer;
  status = SendGPIB("*IDN?");
  if (!status) status = ReceiveGPIB(&answer, kIdentificationLength);
  if (!status && answer.find(kExpectedModel) == std::string::npos) {
    received_ = answer;
    status = kIdentificationMismatch;
  }
  return FirstError(status, CloseDevice(hWnd));
}

Status EMCO5390::EnableServiceRequests(HostWindow, int mask) {
  Status status = SendGPIB("*ESE 1");
  if (!status) status = SendGPIB("*SRE " + std::to_string(mask));
  return status;
}

Status EMCO5390::DisableServiceRequests(HostWindow) {
  const Status status = SendGPIB("*ESE 0");
  return FirstError(status, SendGPIB("*SRE 0"));
}

Status EMCO5390::SendSet(HostWindow, int set) {
  const std::string command = Command(settings_.Get(set, 0));
  if (command.empty()) return 0;
  // A closed device takes nothing: the send fails at once, with no completion to wait for.
  if (!IsOpen()) return NotOpen("SendSet");
  Status status = SendGPIB("*OPC");
  if (!status) status = SendAndAwaitServiceRequest(command, true, 0, nullptr, CompletionWaitMs());
  return AfterOperation(status);
}

std::string EMCO5390::OwnErrorText(uint32_t err) const {
  return err == kIdentificationMismatch ? IdentificationMismatchText(received_, kExpectedModel) : std::string();
}

void EMCO5390::AddRelayPanel(PanelList& panels) {
  AddRelayChoicesPanel(panels, *this, {"EMCO5390ConfigDialog", "Position", "ID_DURING_POSITION", "ID_AFTER_POSITION"});
}
