#include "streams/DeviceStreamClientWithStreamBase.h"

#include "streams/DeviceStreamStatus.h"

#include <cstdlib>

#include "logging/JournexEntry.h"
#include "platform/SerialPort.h"
#include "streams/rs232/RS232DeviceStreamConfiguration.h"

namespace {
constexpr std::string_view kModule = "DeviceStreamClientWithStreamBase";

Status LogHook(std::string_view hook) {
  JournexEntry::Note(hook, kModule, "Note", std::string(hook) + "()");
  return 0;
}

// An empty decorator that keeps the given settings for the next stream.
std::shared_ptr<DeviceStreamBaseDecorator> DetachedDecorator(const DeviceStreamSettings& settings) {
  auto decorator = std::make_shared<DeviceStreamBaseDecorator>();
  decorator->SetStreamSettings(settings);
  return decorator;
}
}  // namespace

DeviceStreamClientWithStreamBase::DeviceStreamClientWithStreamBase() {
  SetEmbeddedStream(std::make_shared<DeviceStreamBaseDecorator>());
}

DeviceStreamClientWithStreamBase::~DeviceStreamClientWithStreamBase() {
  // A driver removed while connected leaves its stream: other drivers may still use it.
  Disconnect(0, User());
}

Status DeviceStreamClientWithStreamBase::GetErrorString(uint32_t hostContext, Status code, std::string& text) {
  if (code == GetMismatchCode() || code == kNoAnswerCode)
    return CustomisableIdentificationChecker::GetErrorString(hostContext, code, text);
  if (code == streamstatus::kNoStream || code == streamstatus::kNotConnected) {
    text = "The device is not connected: " + ConnectionName() +
           " is not open (initialise the device first; its initialisation may have failed).";
    return 0;
  }
  return manager_.GetErrorString(hostContext, code, text, GetEmbeddedStream().get());
}

uint32_t DeviceStreamClientWithStreamBase::LoadProgramSettings(uint32_t hostContext, SettingsStore store) {
  if (store) {
    store->PushTable(kScpiTable);
    checkSystemError_ = store->Read("CheckSystemError", checkSystemError_);
    store->PopTable();
  }
  const Status status = LoadIdentificationSettings(hostContext, store);
  const Status loaded = FirstError(status, manager_.LoadProgramSettings(hostContext, store));
  if (store) {
    // The stream time-out of the file, when it has one, replaces the driver's default.
    store->PushTable(DeviceStreamConfigurationManager::kTable);
    const double seconds = store->Read(kTimeoutKey, 0.0);
    store->PopTable();
    if (seconds > 0) {
      configuredTimeoutSeconds_ = seconds;
      DeviceStreamSettings settings = GetStreamSettings();
      settings.timeoutSeconds = seconds;
      SetStreamSettings(settings);
    }
  }
  return loaded;
}

uint32_t DeviceStreamClientWithStreamBase::SaveProgramSettings(uint32_t hostContext, SettingsStore store) {
  if (store) {
    store->PushTable(kScpiTable);
    store->Write("CheckSystemError", checkSystemError_);
    store->PopTable();
  }
  const Status status = SaveIdentificationSettings(hostContext, store);
  const Status saved = FirstError(status, manager_.SaveProgramSettings(hostContext, store));
  if (store && configuredTimeoutSeconds_ > 0) {
    store->PushTable(DeviceStreamConfigurationManager::kTable);
    store->Write(kTimeoutKey, configuredTimeoutSeconds_);
    store->PopTable();
  }
  return saved;
}

Status DeviceStreamClientWithStreamBase::CreateStreamConfigurationPanels(uint32_t hostContext, PanelList& panels) {
  if (!manager_.GetDefaultConfigurationLoaded()) {
    DefaultStreamConfiguration(hostContext);
    manager_.SetDefaultConfigurationLoaded(true);
  }
  PredefineStreamConfiguration(hostContext);
  panels.Add(manager_.CreateConfigurationPanel());
  return CreateIdentificationPanel(hostContext, panels);
}

Status DeviceStreamClientWithStreamBase::LoadLegacyProgramSettings(uint32_t hostContext, const SettingsStore& store) {
  return manager_.LoadLegacyProgramSettings(hostContext, store);
}

Status DeviceStreamClientWithStreamBase::SaveLegacyProgramSettings(uint32_t hostContext, const SettingsStore& store) {
  return manager_.SaveLegacyProgramSettings(hostContext, store);
}

Status DeviceStreamClientWithStreamBase::ConnectStream(uint32_t hostContext, bool create) {
  JournexEntry entry("ConnectStream", kModule);
  entry.LogBegin("Note", "ConnectStream()", {{"create", create}, {"Selected", manager_.EffectiveTypeName()}});
  Status status = PredefineStreamConfiguration(hostContext);
  const DeviceStreamSettings kept = GetStreamSettings();
  DeviceStreamPtr stream;
  if (status == 0) status = manager_.GetSelectedDeviceStream(stream, create, nullptr);
  if (status == 0) {
    auto decorator = std::make_shared<DeviceStreamBaseDecorator>(stream);
    SetEmbeddedStream(decorator);
    SetStreamSettings(kept);
    status = Connect(hostContext, manager_.GetSelectedConfiguration(), User());
  }
  if (status == 0) status = SetTimeout(hostContext, kept.timeoutSeconds);
  if (status == 0) status = AfterStreamConnectConfiguration(hostContext);
  entry.LogEnd(status == 0 ? "Complete" : "Error", {}, {{"Err", status}});
  return status;
}

Status DeviceStreamClientWithStreamBase::DisconnectStream(uint32_t hostContext) {
  const Status status = Disconnect(hostContext, User());
  SetEmbeddedStream(DetachedDecorator(GetStreamSettings()));
  JournexEntry::Note("DisconnectStream", kModule, status == 0 ? "Complete" : "Error", "DisconnectStream()",
                     {{"Err", status}});
  return status;
}

Status DeviceStreamClientWithStreamBase::RunIdentificationCheck(uint32_t hostContext) {
  JournexEntry entry("RunIdentificationCheck", kModule);
  entry.LogBegin("Note", "RunIdentificationCheck()",
                 {{"Query", GetIdentificationQuery()}, {"ExpectedResponse", GetExpectedResponse()}});
  bool originalRegistration = false;
  ChangeClearDeviceRegistration(false, &originalRegistration);
  Status status = ConnectStream(hostContext, true);
  {
    DeviceStreamLocker locker(*this, hostContext);
    if (status == 0) status = locker.Lock(GetTimeout(hostContext));
    if (status == 0 && !GetIdentificationQuery().empty()) {
      std::string answer;
      status = WriteReadAnswered(hostContext, GetIdentificationQuery(), answer, kIdentificationCount, 0);
      if (status == streamstatus::kReadTimedOut) status = NoIdentificationAnswer();
      // The answer's line end is its terminator, not part of the identification.
      answer.erase(answer.find_last_not_of("\r\n") + 1);
      if (status == 0) status = CheckIdentificationAnswer(answer);
      entry.Log("Note", "Identification", {{"Answer", answer}, {"Err", status}});
    }
    if (status == 0) status = AfterIdentificationCheck(hostContext);
  }
  status = FirstError(status, DisconnectStream(hostContext));
  bool ignored = false;
  ChangeClearDeviceRegistration(originalRegistration, &ignored);
  entry.LogEnd(status == 0 ? "Complete" : "Error", {}, {{"Err", status}});
  return status;
}

Status DeviceStreamClientWithStreamBase::AfterIdentificationCheck(uint32_t) { return 0; }

void DeviceStreamClientWithStreamBase::ChangeClearDeviceRegistration(bool newState, bool* original) {
  for (const char* typeName : {"GPIB", "CompliantGPIB"}) {
    DeviceStreamConfigurationPtr configuration = manager_.GetConfiguration(typeName);
    if (!configuration || !configuration->HasClearDeviceRegistration()) continue;
    if (original) *original = configuration->GetClearDeviceRegistration();
    configuration->SetClearDeviceRegistration(newState);
    JournexEntry::Note("ChangeClearDeviceRegistration", kModule, "Note", "ChangeClearDeviceRegistration()",
                       {{"newState", newState}, {"originalState", original ? *original : false}});
    return;
  }
}

Status DeviceStreamClientWithStreamBase::DefaultStreamConfiguration(uint32_t) {
  return LogHook("DefaultStreamConfiguration");
}

Status DeviceStreamClientWithStreamBase::PredefineStreamConfiguration(uint32_t) {
  return LogHook("PredefineStreamConfiguration");
}

Status DeviceStreamClientWithStreamBase::AfterStreamConnectConfiguration(uint32_t) {
  return LogHook("AfterStreamConnectConfiguration");
}

Status DeviceStreamClientWithStreamBase::QuerySystemError(uint32_t hostContext, std::string& answer) {
  return WriteRead(hostContext, "SYST:ERR?", answer, kSystemErrorCount, 0);
}

Status DeviceStreamClientWithStreamBase::QueryStatusByte(uint32_t hostContext, std::string& answer) {
  const std::string command = statusPrefix_.empty() ? "*STB?" : statusPrefix_ + ";*STB?";
  return WriteRead(hostContext, command, answer, kStatusCount, 0);
}

Status DeviceStreamClientWithStreamBase::QueryEventStatusRegister(uint32_t hostContext, std::string& answer) {
  return WriteRead(hostContext, "*ESR?", answer, kStatusCount, 0);
}

Status DeviceStreamClientWithStreamBase::GetStatusByteValue(uint32_t hostContext, uint8_t& value, bool& valid) {
  valid = false;
  value = 0;
  std::string answer;
  const Status status = QueryStatusByte(hostContext, answer);
  if (status != 0) return status;
  const char* begin = answer.c_str();
  char* end = nullptr;
  const long number = std::strtol(begin, &end, 10);
  if (end == begin) return 0;
  for (; *end; ++end)
    if (*end != '\r' && *end != '\n' && *end != ' ' && *end != '\t') return 0;
  if (number < 0 || number > 255) return 0;
  value = static_cast<uint8_t>(number);
  valid = true;
  return 0;
}

Status DeviceStreamClientWithStreamBase::CheckErrorQueue(uint32_t hostContext, bool& errorWaiting) {
  errorWaiting = false;
  uint8_t value = 0;
  bool valid = false;
  const Status status = GetStatusByteValue(hostContext, value, valid);
  if (status == 0 && valid) errorWaiting = ErrorQueueNotEmpty(value);
  return status;
}

std::string DeviceStreamClientWithStreamBase::ConnectionName() const {
  const DeviceStreamConfigurationPtr configuration = manager_.GetSelectedConfiguration();
  if (!configuration) return "no transport is selected, so the device";
  const std::string id = configuration->GetIDString();
  const auto* serial = dynamic_cast<const RS232DeviceStreamConfiguration*>(configuration.get());
  if (serial && serial->GetDevicePath().empty()) return id + " (" + SerialPort::Mapping(serial->GetCOMPort()) + ")";
  return id;
}

std::string DeviceStreamClientWithStreamBase::GetSelectedStreamID() const {
  DeviceStreamConfigurationPtr configuration = manager_.GetSelectedConfiguration();
  return configuration ? configuration->GetIDString() : std::string();
}
