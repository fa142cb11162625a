#include "drivers/gpibrelay/SCIU.h"

#include "drivers/gpibrelay/IdentificationText.h"
#include "drivers/gpibrelay/RelayPanels.h"
#include "platform/Clock.h"

namespace {
constexpr size_t kAnswerLength = 100;
constexpr const char* kToA[SCIU::kSwitches] = {"TO:B1,0", "TO:B3,0", "TO:B5,0", "TO:B7,0", "TO:A,0"};
constexpr const char* kToB[SCIU::kSwitches] = {"TO:B1,1", "TO:B3,1", "TO:B5,1", "TO:B7,1", "TO:A0,1"};
}  // namespace

SCIU::SCIU() : GpibRelayDriver(RelaySettingsTable("SCIU", kSwitches, kDoNotChange)) {}

std::vector<RelayChoice> SCIU::Choices() const {
  return {{kDoNotChange, "Do not change"}, {kPositionA, "Position A"}, {kPositionB, "Position B"}};
}

std::vector<std::string> SCIU::Commands(int set) const {
  std::vector<std::string> commands;
  for (int k = 0; k < kSwitches; ++k) {
    const long value = settings_.Get(set, k);
    if (value == kPositionA) commands.push_back(kToA[k]);
    if (value == kPositionB) commands.push_back(kToB[k]);
  }
  return commands;
}

Status SCIU::WriteEach(const std::vector<std::string>& commands) {
  for (const std::string& command : commands) {
    if (const Status status = SendGPIB(command)) return status;
    SleepMilliseconds(kPauseMs);
  }
  return 0;
}

Status SCIU::SendSet(HostWindow, int set) { return WriteEach(Commands(set)); }

Status SCIU::InitDevice(HostWindow hWnd) {
  const Status status = OpenDevice(hWnd);
  return status ? status : WriteEach({"TO:A,0", "TO:B,0"});
}

Status SCIU::CheckDevice(HostWindow hWnd) {
  Status status = OpenDevice(hWnd);
  if (status) return status;
  std::string answer;
  status = SendGPIB("*IDN?\r\n");
  if (!status) status = ReceiveGPIB(&answer, kAnswerLength);
  if (!status && answer.find(expectedIdentification_) == std::string::npos) {
    received_ = answer;
    status = kIdentificationMismatch;
  }
  return FirstError(status, CloseDevice(hWnd));
}

std::string SCIU::OwnErrorText(uint32_t err) const {
  return err == kIdentificationMismatch ? IdentificationMismatchText(received_, expectedIdentification_)
                                        : std::string();
}

void SCIU::AddRelayPanel(PanelList& panels) {
  AddRelayChoicesPanel(panels, *this, {"SwitchSCIUConfiguration", "Switches", "ID_DURING_RELAIS%d", "ID_AFTER_RELAIS%d"});
}
