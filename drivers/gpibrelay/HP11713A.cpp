#include "drivers/gpibrelay/HP11713A.h"

#include "drivers/gpibrelay/RelayPanels.h"

namespace {
const std::vector<RelayChoice> kSetReset = {{0, "Do not change"}, {1, "Set"}, {2, "Reset"}};
}  // namespace

HP11713A::HP11713A() : GpibRelayDriver(RelaySettingsTable("HP11713A", kRelays, kDoNotChange)) {}

std::vector<RelayChoice> HP11713A::Choices() const { return kSetReset; }

std::string HP11713A::Command(int set) const {
  std::string command;
  for (int k = 0; k < kRelays; ++k) {
    const long value = settings_.Get(set, k);
    if (value == kSet) command += "A" + std::to_string(k);
    if (value == kReset) command += "B" + std::to_string(k);
  }
  return command;
}

Status HP11713A::SendSet(HostWindow hWnd, int set) {
  const std::string command = Command(set);
  return command.empty() ? 0 : Send(hWnd, command, false);
}

void HP11713A::AddRelayPanel(PanelList& panels) {
  AddRelayChoicesPanel(panels, *this, {"HP11713AConfigDialog", "Relays", "ID_DURING_RELAIS%d", "ID_AFTER_RELAIS%d"});
}

HP59307::HP59307() : GpibRelayDriver(RelaySettingsTable("HP59307", kSwitches, kDoNotSwitch)) {}

std::vector<RelayChoice> HP59307::Choices() const {
  return {{kDoNotSwitch, "Do not switch"}, {0, "Position 1"}, {1, "Position 2"}, {2, "Position 3"}, {3, "Position 4"}};
}

std::string HP59307::Command(int set) const {
  std::string command;
  for (int k = 0; k < kSwitches; ++k) {
    const long value = settings_.Get(set, k);
    if (value >= 0 && value <= 3) command += static_cast<char>('A' + k) + std::to_string(value);
  }
  return command;
}

Status HP59307::SendSet(HostWindow hWnd, int set) {
  const std::string command = Command(set);
  return command.empty() ? 0 : Send(hWnd, command, false);
}

void HP59307::AddRelayPanel(PanelList& panels) {
  AddRelayChoicesPanel(panels, *this, {"HP59307ConfigDialog", "Switches", "ID_DURING_RELAIS%d", "ID_AFTER_RELAIS%d"});
}

HP8494Switch::HP8494Switch() : GpibRelayDriver(RelaySettingsTable("", 0, 0)) {}

Status HP8494Switch::HandleEvent(HostWindow hWnd, const uint32_t* event, const double*) {
  if (!event) return 0;
  switch (*event) {
    case SWM_EVENT_MeasuringCurrent:
    case SWM_EVENT_MeasuringSensorPower:
      return Send(hWnd, "B9", false);
    case SWM_EVENT_MeasuringForwardPower:
      return Send(hWnd, "A9", false);
    default:
      return 0;
  }
}

EMCO2090::EMCO2090() : GpibRelayDriver(RelaySettingsTable("EMCO2090", kOutputs, 0)) {}

std::vector<RelayChoice> EMCO2090::Choices() const { return kSetReset; }

std::vector<std::string> EMCO2090::Commands(int set) const {
  std::vector<std::string> commands;
  for (int k = 0; k < kOutputs; ++k) {
    const long value = settings_.Get(set, k);
    if (value == 1) commands.push_back("AUX " + std::to_string(k + 1) + " ON");
    if (value == 2) commands.push_back("AUX " + std::to_string(k + 1) + " OFF");
  }
  return commands;
}

Status EMCO2090::SendSet(HostWindow hWnd, int set) {
  for (const std::string& command : Commands(set))
    if (const Status status = Send(hWnd, command, false)) return status;
  return 0;
}

void EMCO2090::AddRelayPanel(PanelList& panels) {
  AddRelayChoicesPanel(panels, *this, {"EMCO2090ConfigDialog", "Outputs", "ID_DURING_RELAIS%d", "ID_AFTER_RELAIS%d"});
}
