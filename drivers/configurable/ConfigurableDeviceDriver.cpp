#include "drivers/configurable/ConfigurableDeviceDriver.h"

#include "drivers/configurable/ConfigurableDeviceDriverPanel.h"
#include "drivers/configurable/EscapeSequences.h"
#include "framework/TextBuffer.h"
#include "logging/JournexEntry.h"
#include "platform/Clock.h"
#include "streams/DeviceStreamStatus.h"
#include "streams/IdentificationAnswer.h"

namespace {
constexpr std::string_view kModule = "ConfigurableDeviceDriver";
constexpr const char* kTransports[] = {"TCPIP", "RS-232", "UDP", "HTTP", "GPIB", "CompliantGPIB", "VISA", "USB"};

// The parts of a text split at every occurrence of the splitter; empty parts are dropped.
std::vector<std::string> SplitAt(const std::string& text, const std::string& splitter) {
  std::vector<std::string> parts;
  size_t from = 0;
  for (size_t at = text.find(splitter); at != std::string::npos; at = text.find(splitter, from)) {
    if (at > from) parts.push_back(text.substr(from, at - from));
    from = at + splitter.size();
  }
  if (from < text.size()) parts.push_back(text.substr(from));
  return parts;
}

std::string WithoutLineEnds(std::string text) {
  text.erase(text.find_last_not_of("\r\n") + 1);
  return text;
}
}  // namespace

ConfigurableDeviceDriver::ConfigurableDeviceDriver() {
  SetTableName(kDefaultTableName);
  // Transports this build does not have are simply not offered.
  for (const char* transport : kTransports) Manager().AddStreamConfiguration(transport);
  Manager().SetDefaultTypeName("TCPIP");
}

uint32_t ConfigurableDeviceDriver::LoadProgramSettings(uint32_t hostContext, SettingsStore store) {
  const uint32_t status = DeviceDriverBase::LoadProgramSettings(hostContext, store);
  return FirstError(status, LoadConfigurableSettings(hostContext, store));
}

uint32_t ConfigurableDeviceDriver::SaveProgramSettings(uint32_t hostContext, SettingsStore store) {
  const uint32_t status = DeviceDriverBase::SaveProgramSettings(hostContext, store);
  return FirstError(status, SaveConfigurableSettings(hostContext, store));
}

uint32_t ConfigurableDeviceDriver::LoadConfigurableSettings(uint32_t hostContext, const SettingsStore& store) {
  if (store) {
    OpenTable(store);
    ConfigurableDeviceSettings& s = settings_;
    s.sendCommands = store->Read("SendCommands", s.sendCommands);
    s.reset = store->ReadNarrow("Reset", s.reset);
    s.getID = store->ReadNarrow("GetID", s.getID);
    s.returnedID = store->ReadNarrow("ReturnedID", s.returnedID);
    s.init = store->ReadNarrow("Init", s.init);
    s.deInit = store->ReadNarrow("DeInit", s.deInit);
    s.sendAndWaitForCompletion = store->Read("SendAndWaitForCompletion", s.sendAndWaitForCompletion);
    s.readAndDiscardResult = store->Read("ReadAndDiscardResult", s.readAndDiscardResult);
    s.splitterString = store->ReadNarrow("SplitterString", s.splitterString);
    s.timeOutTimeSeconds = store->Read("TimeOutTimeSeconds", s.timeOutTimeSeconds);
    CloseTable(store);
  }
  const uint32_t status = DeviceStreamClientWithStream::LoadProgramSettings(hostContext, store);
  HandIdentificationToChecker();
  JournexEntry::Note("LoadProgramSettings", kModule, status == 0 ? "Note" : "Error",
                     "LoadProgramSettings(" + TableName() + ")",
                     {{"Reset", settings_.reset}, {"GetID", settings_.getID}, {"ReturnedID", settings_.returnedID},
                      {"Init", settings_.init}, {"DeInit", settings_.deInit},
                      {"TimeOutTimeSeconds", settings_.timeOutTimeSeconds}, {"Err", status}});
  return status;
}

uint32_t ConfigurableDeviceDriver::SaveConfigurableSettings(uint32_t hostContext, const SettingsStore& store) {
  if (store) {
    OpenTable(store);
    const ConfigurableDeviceSettings& s = settings_;
    store->Write("SendCommands", s.sendCommands);
    store->WriteNarrow("Reset", s.reset);
    store->WriteNarrow("GetID", s.getID);
    store->WriteNarrow("ReturnedID", s.returnedID);
    store->WriteNarrow("Init", s.init);
    store->WriteNarrow("DeInit", s.deInit);
    store->Write("SendAndWaitForCompletion", s.sendAndWaitForCompletion);
    store->Write("ReadAndDiscardResult", s.readAndDiscardResult);
    store->WriteNarrow("SplitterString", s.splitterString);
    store->Write("TimeOutTimeSeconds", s.timeOutTimeSeconds);
    CloseTable(store);
  }
  HandIdentificationToChecker();
  return DeviceStreamClientWithStream::SaveProgramSettings(hostContext, store);
}

void ConfigurableDeviceDriver::HandIdentificationToChecker() {
  SetIdentificationQuery(settings_.getID);
  SetExpectedResponse(settings_.returnedID);
}

Status ConfigurableDeviceDriver::PredefineStreamConfiguration(uint32_t hostContext) {
  DeviceStreamSettings stream = GetStreamSettings();
  const DeviceStreamSettings defaults;
  const bool serial = Manager().EffectiveTypeName() == "RS-232";
  stream.sendTermination = serial ? "" : defaults.sendTermination;
  stream.sendTerminationEnabled = !serial;
  stream.receiveTermination = serial ? "" : defaults.receiveTermination;
  stream.receiveTerminationEnabled = !serial;
  stream.timeoutSeconds = settings_.timeOutTimeSeconds;
  SetStreamSettings(stream);
  return DeviceStreamClientWithStream::PredefineStreamConfiguration(hostContext);
}

Status ConfigurableDeviceDriver::AcquireStream(HostWindow hWnd) {
  Status status = IsConnected() ? 0 : ConnectStream(hWnd, true);
  if (status == 0) status = SetTimeout(hWnd, settings_.timeOutTimeSeconds);
  if (status == 0) status = Lock(hWnd, settings_.timeOutTimeSeconds);
  if (status == 0) ++lockDepth_;
  return status;
}

Status ConfigurableDeviceDriver::ReleaseStream(HostWindow hWnd) {
  if (lockDepth_ == 0) return 0;
  --lockDepth_;
  return Unlock(hWnd);
}

Status ConfigurableDeviceDriver::Send(const std::string& informationToSend, bool waitForOperationComplete) {
  JournexEntry entry("Send", kModule);
  entry.LogBegin("Note", "Send(" + informationToSend + ")",
                 {{"informationToSend", informationToSend}, {"waitForOperationComplete", waitForOperationComplete}});
  Status status = 0;
  if (!informationToSend.empty()) {
    const std::vector<std::string> parts = settings_.splitterString.empty()
                                               ? std::vector<std::string>{informationToSend}
                                               : SplitAt(informationToSend, settings_.splitterString);
    for (const std::string& part : parts) {
      status = Write(0, DecodeEscapeSequences(part), waitForOperationComplete);
      if (status != 0) break;
      if (!settings_.splitterString.empty()) timing.Wait(kPartPauseMilliseconds);
    }
  }
  entry.LogEnd(status == 0 ? "Complete" : "Error", {}, {{"Err", status}});
  return status;
}

Status ConfigurableDeviceDriver::ReadUntilPattern(std::string& text, const std::string& expectedPattern) {
  JournexEntry entry("ReadUntilPattern", kModule);
  entry.LogBegin("Note", "ReadUntilPattern(" + expectedPattern + ")", {{"expectedPattern", expectedPattern}});
  text.clear();
  const uint32_t started = timing.Now();
  const double seconds = GetTimeout(0);
  const uint32_t limit = MillisecondsFromSeconds(seconds);
  Status status = 0;
  for (;;) {
    std::string block;
    status = Read(0, block, kReadBlock);
    if (status == streamstatus::kReadTimedOut) status = 0;
    if (status != 0) break;
    text += block;
    bool complete = IdentificationAnswerMatches(expectedPattern, text);
    if (block.size() == kReadBlock && text.size() < kReadOnBelow) complete = false;
    if (complete) break;
    if (timing.Elapsed(started) >= limit) {
      status = ERR_REGEX_TIMEOUT;
      break;
    }
  }
  entry.LogEnd(status == 0 ? "Complete" : "Error", {}, {{"text", text}, {"Err", status}});
  return status;
}

Status ConfigurableDeviceDriver::CheckDevice(HostWindow hWnd) {
  JournexEntry entry("CheckDevice", kModule);
  entry.LogBegin("Note", "CheckDevice()", {{"GetID", settings_.getID}, {"ReturnedID", settings_.returnedID}});
  HandIdentificationToChecker();
  Status status = AcquireStream(hWnd);
  // A datagram port has no connection to prove: without a query the check has reached nothing.
  if (status == 0 && settings_.getID.empty() && Manager().EffectiveTypeName() == "UDP") status = kNothingToCheck;
  if (status == 0 && !settings_.getID.empty()) {
    timing.Wait(kIdentificationPauseMilliseconds);
    status = Send(settings_.getID, false);
    std::string answer;
    if (status == 0) status = Read(hWnd, answer, kReadBlock);
    // A part that arrived before the time-out is the answer; nothing at all is no answer.
    if (status == streamstatus::kReadTimedOut && !answer.empty()) status = 0;
    if (status == streamstatus::kReadTimedOut) status = NoIdentificationAnswer();
    answer = WithoutLineEnds(answer);
    if (status == 0) status = CheckIdentificationAnswer(answer);
    entry.Log("Note", "Identification", {{"Answer", answer}, {"Err", status}});
  }
  status = FirstError(status, ReleaseStream(hWnd));
  status = FirstError(status, DisconnectStream(hWnd));
  entry.LogEnd(status == 0 ? "Complete" : "Error", {}, {{"Err", status}});
  return status;
}

Status ConfigurableDeviceDriver::InitDevice(HostWindow hWnd) {
  JournexEntry entry("InitDevice", kModule);
  entry.LogBegin("Note", "InitDevice()", {{"Reset", settings_.reset}, {"Init", settings_.init}});
  Status status = AcquireStream(hWnd);
  if (status == 0 && !settings_.reset.empty()) {
    status = Send(settings_.reset, settings_.sendAndWaitForCompletion);
    if (status == 0) timing.Wait(kResetPauseMilliseconds);
  }
  if (status == 0 && !settings_.init.empty()) status = Send(settings_.init, settings_.sendAndWaitForCompletion);
  status = FirstError(status, ReleaseStream(hWnd));
  entry.LogEnd(status == 0 ? "Complete" : "Error", {}, {{"Err", status}});
  return status;
}

Status ConfigurableDeviceDriver::DeInitDevice(HostWindow hWnd) {
  JournexEntry entry("DeInitDevice", kModule);
  entry.LogBegin("Note", "DeInitDevice()", {{"DeInit", settings_.deInit}});
  // Without a DeInit command nothing is sent, so no connection is opened
  // (a driver that was never initialised must not reach for its address).
  Status status = 0;
  if (!settings_.deInit.empty()) {
    status = AcquireStream(hWnd);
    if (status == 0) status = Send(settings_.deInit, settings_.sendAndWaitForCompletion);
    status = FirstError(status, ReleaseStream(hWnd));
  }
  if (IsConnected()) status = FirstError(status, DisconnectStream(hWnd));
  entry.LogEnd(status == 0 ? "Complete" : "Error", {}, {{"Err", status}});
  return status;
}

Status ConfigurableDeviceDriver::GetErrorString(HostWindow hWnd, uint32_t err, char* buffer, uint32_t bufferSize,
                                                uint32_t* read) {
  ConfigurableBase::GetErrorString(hWnd, err, buffer, bufferSize, read);
  if (buffer && bufferSize > 1 && buffer[0] != '\0') return 0;
  std::string text;
  if (err == kNothingToCheck) {
    text = "On UDP the check needs an identification query (GetID): a datagram port has no connection whose "
           "opening would show that the device is there.";
    ClearTextBuffer(buffer, bufferSize, read);
    CopyTextToBuffer(text, buffer, bufferSize, read);
    return 0;
  }
  DeviceStreamClientWithStream::GetErrorString(hWnd, err, text);
  if (text.empty()) return DeviceDriverBase::GetErrorString(hWnd, err, buffer, bufferSize, read);
  ClearTextBuffer(buffer, bufferSize, read);
  CopyTextToBuffer(text, buffer, bufferSize, read);
  return 0;
}

Status ConfigurableDeviceDriver::AddConfigurationDialogPanels(HostWindow hWnd, PanelList& panels) {
  const Status status = CreateStreamConfigurationPanels(hWnd, panels);
  panels.Add({[this] { return new ConfigurableDeviceDriverPanel(this); }, ConfigurableDeviceDriverPanel::kXrcName,
              ConfigurableDeviceDriverPanel::kTitle});
  return status;
}
