#include "drivers/novotronik/NovotronikBase.h"

#include "drivers/novotronik/NovotronikPanel.h"
#include "framework/TextBuffer.h"
#include "logging/JournexEntry.h"
#include "platform/CLocale.h"
#include "streams/DeviceStreamStatus.h"
#include "streams/tcp/NetworkBasedDeviceStreamConfig.h"

namespace Kovalex::devicedrivers::NOVOTRONIK {
namespace {
constexpr std::string_view kModule = "NovotronikBase";
constexpr const char* kTransports[] = {"VISA", "GPIB", "RS-232", "TCPIP"};
constexpr size_t kReplyLimit = 1024;

bool ValidRow(int row) { return row >= 0 && row < NovotronikBase::ROW_TOTAL; }
bool ValidPin(int pin) { return pin >= 0 && pin < NovotronikBase::PINS_PER_PORT; }

void LogIndexError(const std::string& operation, int row, int pin) {
  JournexEntry::Note(operation, kModule, "Error",
                     "Index error during " + operation + "(" + std::to_string(row) + ", " + std::to_string(pin) + ")");
}
}  // namespace

NovotronikBase::NovotronikBase(const std::string& expectedIdentification) {
  for (const char* transport : kTransports) Manager().AddStreamConfiguration(transport);
  Manager().SetDefaultTypeName("RS-232");
  SetExpectedResponse(expectedIdentification);
  SetIdentificationQuery("*IDN");
  for (auto& row : pins_) row.fill(enmDoNothing);
  events_.fill(enmUnspecified);
  events_[0] = enmInitialisationStarted;
  PresetNetworkAddress();
}

void NovotronikBase::PresetNetworkAddress() {
  if (auto network = std::dynamic_pointer_cast<NetworkBasedDeviceStreamConfig>(Manager().GetConfiguration("TCPIP")))
    if (network->GetAddress().empty()) network->SetAddress(kDefaultAddress);
}

Status NovotronikBase::DefaultStreamConfiguration(uint32_t hostContext) {
  PresetNetworkAddress();
  return DeviceStreamClientWithStream::DefaultStreamConfiguration(hostContext);
}

eSwitchEventSettingsNovotronik NovotronikBase::RowEvent(int row) const {
  return ValidRow(row) ? events_[row] : enmUnspecified;
}

void NovotronikBase::SetEventSettings(int row, eSwitchEventSettingsNovotronik value) {
  if (!ValidRow(row)) return LogIndexError("SetEventSettings", row, 0);
  events_[row] = value;
}

eSwitchPinSettingsNovotronik NovotronikBase::RowPin(int row, int pin) const {
  return ValidRow(row) && ValidPin(pin) ? pins_[row][pin] : enmDoNothing;
}

void NovotronikBase::SetTestSettings(int row, int pin, eSwitchPinSettingsNovotronik value) {
  if (!ValidRow(row) || !ValidPin(pin)) return LogIndexError("SetEventSettings", row, pin);
  pins_[row][pin] = value;
}

uint32_t NovotronikBase::LoadProgramSettings(uint32_t hostContext, SettingsStore store) {
  Status status = SwitchMatrixBase::LoadProgramSettings(hostContext, store);
  status = FirstError(status, DeviceStreamClientWithStream::LoadProgramSettings(hostContext, store));
  if (!store) return status;
  store->PushTable(kTable);
  for (int row = 0; row < ROW_TOTAL; ++row) {
    events_[row] = static_cast<eSwitchEventSettingsNovotronik>(
        store->Read(FormatC("Row %d Event", row), static_cast<long>(events_[row])));
    for (int pin = 0; pin < PINS_PER_PORT; ++pin)
      pins_[row][pin] = static_cast<eSwitchPinSettingsNovotronik>(
          store->Read(FormatC("Row %d Pin %d", row, pin), static_cast<long>(pins_[row][pin])));
  }
  store->PopTable();
  return status;
}

uint32_t NovotronikBase::SaveProgramSettings(uint32_t hostContext, SettingsStore store) {
  Status status = SwitchMatrixBase::SaveProgramSettings(hostContext, store);
  status = FirstError(status, DeviceStreamClientWithStream::SaveProgramSettings(hostContext, store));
  if (!store) return status;
  store->PushTable(kTable);
  for (int row = 0; row < ROW_TOTAL; ++row) {
    store->Write(FormatC("Row %d Event", row), static_cast<long>(events_[row]));
    for (int pin = 0; pin < PINS_PER_PORT; ++pin)
      store->Write(FormatC("Row %d Pin %d", row, pin), static_cast<long>(pins_[row][pin]));
  }
  store->PopTable();
  return status;
}

Framing NovotronikBase::CurrentFraming() const {
  const std::string type = Manager().EffectiveTypeName();
  if (type == "RS-232") return Framing::kSerial;
  if (type == "TCPIP" || type == "UDP") return Framing::kNetwork;
  return Framing::kOther;
}

Status NovotronikBase::AfterStreamConnectConfiguration(uint32_t hostContext) {
  const Status status = DeviceStreamClientWithStream::AfterStreamConnectConfiguration(hostContext);
  const Framing framing = CurrentFraming();
  if (framing == Framing::kSerial) {
    // A frame ends with ETX both ways: the stream adds nothing to it and
    // stops reading at the unit's ETX. The terminators it replaces come back
    // when the driver next connects over another transport.
    if (!replacedTerminators_) replacedTerminators_ = GetStreamSettings();
    const std::string etx(1, kETX);
    SetSendTermination(hostContext, etx, true);
    SetReceiveTermination(hostContext, etx, true);
    return status;
  }
  if (replacedTerminators_) {
    const DeviceStreamSettings& kept = *replacedTerminators_;
    SetSendTermination(hostContext, kept.sendTermination, kept.sendTerminationEnabled);
    SetReceiveTermination(hostContext, kept.receiveTermination, kept.receiveTerminationEnabled);
    replacedTerminators_.reset();
  }
  if (framing == Framing::kNetwork) {
    // The end of string is the stream's send terminator (a line feed when
    // the stream sends none), so the stream adds nothing to a framed command.
    const DeviceStreamSettings settings = GetStreamSettings();
    endOfString_ = settings.sendTerminationEnabled && !settings.sendTermination.empty() ? settings.sendTermination
                                                                                        : "\n";
    JournexEntry::Note("AfterStreamConnectConfiguration", kModule, "Note",
                       "SetEndOfString set to '" + endOfString_ + "'");
  } else {
    endOfString_ = "\n";
  }
  return status;
}

std::string NovotronikBase::BuildSetCommand(int switchNumber, int pole) const {
  return SetCommand(switchNumber, pole);
}

std::string NovotronikBase::FrameCommand(const std::string& command, const std::string& terminator) const {
  return Frame(CurrentFraming(), command, terminator);
}

Status NovotronikBase::Write(const std::string& command, const std::string& terminator, bool waitForOperationComplete) {
  return DeviceStreamClientWithStream::Write(0, FrameCommand(command, terminator), waitForOperationComplete);
}

Status NovotronikBase::Query(const std::string& command, std::string& reply, const std::string& terminator) {
  return WriteRead(0, FrameCommand(command, terminator), reply, kReplyLimit, 0);
}

Status NovotronikBase::InitDevice(HostWindow hWnd) {
  Status status = IsConnected() ? 0 : ConnectStream(hWnd, true);
  if (status || !IsConnected()) {
    // Why it failed is in the log; the host learns that the stream is not open.
    JournexEntry::Note("InitDevice", kModule, "Error", "InitDevice(stream not open)", {{"Err", status}});
    return streamstatus::kNotConnected;
  }
  keptTimeout_ = GetTimeout(hWnd);
  std::string reply;
  status = Query("STI", reply, endOfString_);
  if (status) return status;
  if (reply.find("STI") == std::string::npos) {
    JournexEntry::Note("InitDevice", kModule, "Error", "InitDevice(\"STI\" not answered)", {{"reply", reply}});
    return DRV_ERR_WRONG_DEVICE;
  }
  return Query("STM", reply, endOfString_);
}

Status NovotronikBase::DeInitDevice(HostWindow hWnd) { return DisconnectStream(hWnd); }

Status NovotronikBase::CheckDevice(HostWindow hWnd) {
  Status status = ConnectStream(hWnd, true);
  if (status) return status;
  // The query is framed for the transport just connected.
  SetIdentificationQuery(FrameCommand("*IDN", endOfString_));
  status = RunIdentificationCheck(hWnd);
  return FirstError(status, DisconnectStream(hWnd));
}

Status NovotronikBase::HandleEvent(HostWindow, const uint32_t* event, const double*) {
  if (!event) return 0;
  if (*event == SWM_EVENT_TestStopped || *event == SWM_EVENT_InitialisationStarted) return SetSwitch(*event);
  return 0;
}

Status NovotronikBase::SetSwitch(uint32_t event) {
  if (!IsConnected()) return streamstatus::kNotConnected;
  for (int row = 0; row < ROW_TOTAL; ++row) {
    if (events_[row] == enmUnspecified || static_cast<uint32_t>(events_[row]) != event) continue;
    for (int pin = 0; pin < PINS_PER_PORT; ++pin) {
      if (pins_[row][pin] == enmDoNothing) continue;
      if (const Status status = SetOneSwitch(pin + 1, pins_[row][pin])) return status;
    }
  }
  return 0;
}

Status NovotronikBase::SetOneSwitch(int switchNumber, int pole) {
  lastSwitch_ = switchNumber;
  lastPole_ = pole;
  currentPole_ = kUnknownPole;
  Status status = kNotCarriedOut;
  for (int attempt = 0; attempt < kSetAttempts; ++attempt) {
    status = Write(BuildSetCommand(switchNumber, pole), endOfString_, false);
    if (status) continue;
    timing.Wait(kSwitchingMs);
    status = kNotCarriedOut;
    for (int query = 0; query < kStatusQueries; ++query) {
      std::string reply;
      const Status asked = Query("STS", reply, endOfString_);
      if (asked) {
        status = asked;
        continue;
      }
      if (reply.empty()) continue;
      lastSwitch_ = switchNumber;
      lastPole_ = pole;
      currentPole_ = PoleInStatus(reply, switchNumber).value_or(kUnknownPole);
      if (currentPole_ == pole) return 0;
      status = kNotCarriedOut;
    }
  }
  JournexEntry::Note("SetSwitch", kModule, "Error", "SetSwitch(not carried out)",
                     {{"switch", switchNumber}, {"pole", pole}, {"current", currentPole_}, {"Err", status}});
  return status;
}

Status NovotronikBase::GetErrorString(HostWindow hWnd, uint32_t err, char* buffer, uint32_t bufferSize,
                                      uint32_t* read) {
  ClearTextBuffer(buffer, bufferSize, read);
  std::string text;
  if (err == kNotCarriedOut)
    text = FormatC("Setting the switch %02i to pole %02i has not been correctly carried out by the device, because it "
                   "currently is still set to pole %02i.",
                   lastSwitch_, lastPole_, currentPole_);
  if (text.empty()) DeviceStreamClientWithStream::GetErrorString(hWnd, err, text);
  if (text.empty()) return SwitchMatrixBase::GetErrorString(hWnd, err, buffer, bufferSize, read);
  CopyTextToBuffer(text, buffer, bufferSize, read);
  return 0;
}

Status NovotronikBase::AddConfigurationDialogPanels(HostWindow hWnd, PanelList& panels) {
  panels.Add({[this] { return new NovotronikPanel(*this); }, NovotronikPanel::kName, NovotronikPanel::kTitle});
  return CreateStreamConfigurationPanels(hWnd, panels);
}

}  // namespace Kovalex::devicedrivers::NOVOTRONIK
