#include "streams/gpib/NIGPIBDeviceStream.h"

#include <cerrno>
#include <chrono>

#include "framework/NumberConversion.h"
#include "legacy/GPIBStatus.h"
#include "legacy/GPIBTimeout.h"
#include "legacy/NI4882CompliantGPIB.h"
#include "legacy/SystemErrorStatus.h"
#include "logging/JournexEntry.h"
#include "streams/DeviceStreamTypeRegistry.h"
#include "streams/LegacyConfigurationTransfers.h"
#include "streams/OperationCompleteQuery.h"

namespace {
constexpr std::string_view kModule = "NIGPIBDeviceStream";
constexpr int kTimeoutBit = 0x4000;  // TIMO of the status word


// The table "GPIB" of older drivers beside "Stream Config": taken over on
// load, written back on save.
Status LoadLegacyGPIB(uint32_t hostContext, const SettingsStore& store, DeviceStreamConfiguration& configuration) {
  auto* gpib = dynamic_cast<NIGPIBDeviceStreamConfiguration*>(&configuration);
  if (!gpib) return 0;
  NI488GPIBConfiguration legacy(*gpib);
  legacy.SetKeyPrefix("");
  const Status status = legacy.LoadProgramSettings(hostContext, store);
  gpib->CopySettings(legacy);
  return status;
}

Status SaveLegacyGPIB(uint32_t hostContext, const SettingsStore& store, const DeviceStreamConfiguration& configuration) {
  const auto* gpib = dynamic_cast<const NIGPIBDeviceStreamConfiguration*>(&configuration);
  if (!gpib) return 0;
  NI488GPIBConfiguration legacy(*gpib);
  legacy.SetKeyPrefix("");
  return legacy.SaveProgramSettings(hostContext, store);
}

template <class Configuration, class Stream>
bool Register() {
  return DeviceStreamTypeRegistry::RegisterConfiguration(Configuration::kTypeName,
                                                         [] { return std::make_shared<Configuration>(); }) &&
         DeviceStreamTypeRegistry::RegisterStream(Configuration::kTypeName,
                                                  [] { return std::make_shared<Stream>(); }) &&
         LegacyConfigurationTransfers::Register(Configuration::kTypeName, {LoadLegacyGPIB, SaveLegacyGPIB});
}

[[maybe_unused]] const bool registeredGPIB = Register<NIGPIBDeviceStreamConfiguration, NIGPIBDeviceStream>();
[[maybe_unused]] const bool registeredCompliantGPIB =
    Register<NICompliantGPIBDeviceStreamConfiguration, NI4882CompliantGPIBDeviceStream>();
}  // namespace

NIGPIBDeviceStream::NIGPIBDeviceStream() : NIGPIBDeviceStream(std::make_unique<NI488GPIB>()) {}

NIGPIBDeviceStream::NIGPIBDeviceStream(std::unique_ptr<NI488GPIB> device) : device_(std::move(device)) {
  device_->SetTimeOutGPIB(TimeoutCodeWithin(MillisecondsOf(Settings().timeoutSeconds)));
}

NIGPIBDeviceStream::~NIGPIBDeviceStream() {
  std::lock_guard guard(deviceLock_);
  if (device_->IsOpen()) device_->CloseDevice(0);
}

int NIGPIBDeviceStream::TimeoutCodeWithin(uint32_t milliseconds) {
  int code = 0;
  for (int candidate = 1; candidate <= gpibtimeout::kLargestCode; ++candidate)
    if (gpibtimeout::Milliseconds(candidate) <= milliseconds) code = candidate;
  return code;
}

bool NIGPIBDeviceStream::Accepts(const DeviceStreamConfiguration& configuration) const {
  return configuration.GetStreamTypeName() == NIGPIBDeviceStreamConfiguration::kTypeName;
}

Status NIGPIBDeviceStream::UseTimeoutCode(int code) {
  if (code == device_->TimeoutCode()) return 0;
  return device_->SetTimeOutGPIB(code);
}

Status NIGPIBDeviceStream::Connect(uint32_t hostContext, const DeviceStreamConfigurationPtr& configuration,
                                   StreamUser user) {
  JournexEntry entry("Connect", kModule);
  entry.LogBegin("Note", "Connect", {{"ID", configuration ? configuration->GetIDString() : std::string()}});
  VerifyCorrectConfigurationObject(configuration, configuration ? configuration->GetIDString() : std::string());
  auto gpib = std::dynamic_pointer_cast<NIGPIBDeviceStreamConfiguration>(configuration);
  Status status = 0;
  if (!gpib || !Accepts(*gpib)) {
    status = streamstatus::kInvalidConfiguration;
  } else {
    SetLockName(gpib->GetIDString());
    std::lock_guard guard(deviceLock_);
    if (IsFirstUser(user) || !device_->IsOpen()) {
      device_->CopySettings(*gpib);
      // The shortest step is 1 ms: a shorter time-out still waits that long.
      const int code = TimeoutCodeWithin(MillisecondsOf(Settings().timeoutSeconds));
      device_->SetTimeOutGPIB(code == 0 ? 1 : code);
      status = device_->OpenDevice(hostContext);
    }
    if (status == 0) {
      SetConnectedFlag(true);
      RegisterUser(user);
    }
  }
  entry.LogEnd(status == 0 ? "Complete" : "Error", {}, {{"Users", UserCount()}, {"Err", status}});
  return status;
}

Status NIGPIBDeviceStream::Disconnect(uint32_t hostContext, StreamUser user) {
  JournexEntry::Note("Disconnect", kModule, "Note", "Disconnect()");
  Status status = 0;
  if (RemoveUser(user) == 0 && ConnectedFlag()) {
    std::lock_guard guard(deviceLock_);
    status = device_->CloseDevice(hostContext);
    SetConnectedFlag(false);
  }
  return status;
}

bool NIGPIBDeviceStream::IsConnected() {
  std::lock_guard guard(deviceLock_);
  return ConnectedFlag() && device_->IsOpen();
}

Status NIGPIBDeviceStream::SetTimeout(uint32_t hostContext, double seconds) {
  DeviceStream::SetTimeout(hostContext, seconds);
  std::lock_guard guard(deviceLock_);
  const int code = TimeoutCodeWithin(MillisecondsOf(seconds));
  return UseTimeoutCode(code == 0 ? 1 : code);
}

Status NIGPIBDeviceStream::Write(uint32_t hostContext, const std::string& text, bool waitForOperationComplete) {
  SetLastSystemError(0);
  if (!IsConnected()) return streamstatus::kNotConnected;
  std::lock_guard guard(deviceLock_);
  Settings().delayer.WaitForGap();
  const Status status = Send(hostContext, text, waitForOperationComplete);
  Settings().delayer.Stamp();
  return status;
}

Status NIGPIBDeviceStream::Send(uint32_t hostContext, const std::string& text, bool waitForOperationComplete) {
  const Status status =
      device_->SendGPIB(WithSendTermination(WithOperationCompleteQuery(text, waitForOperationComplete), Settings()));
  if (status == 0 && waitForOperationComplete) ReadOperationCompleteAnswer(*this, hostContext, kModule);
  return status;
}

Status NIGPIBDeviceStream::Read(uint32_t, std::string& text, size_t count) {
  text.clear();
  if (!IsConnected()) return streamstatus::kNotConnected;
  std::lock_guard guard(deviceLock_);
  using Clock = std::chrono::steady_clock;
  const Clock::time_point start = Clock::now();
  const uint32_t budget = MillisecondsOf(Settings().timeoutSeconds);
  const std::string& terminator = Settings().ActiveReceiveTermination();
  const auto remaining = [&]() -> uint32_t {
    const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
    return elapsed >= budget ? 0 : budget - static_cast<uint32_t>(elapsed);
  };
  Status status = 0;
  bool finished = count == 0;
  bool timedOut = false;
  while (status == 0 && !finished) {
    const int code = TimeoutCodeWithin(remaining());
    if (code == 0) {
      timedOut = true;
      break;
    }
    status = UseTimeoutCode(code);
    std::string piece;
    if (status == 0) status = device_->ReceiveGPIB(&piece, count - text.size() + 1);
    text += piece;
    // A read that ran out of its step ends with EABO and TIMO: wait on while time is left.
    if (status == gpibstatus::kErrorBase + gpibstatus::EABO && (device_->LastStatusWord() & kTimeoutBit)) {
      status = 0;
      timedOut = true;
      continue;
    }
    timedOut = false;
    finished = text.size() >= count || (!terminator.empty() && text.ends_with(terminator));
  }
  Settings().delayer.Stamp();
  const int streamCode = TimeoutCodeWithin(budget);
  status = FirstError(status, UseTimeoutCode(streamCode == 0 ? 1 : streamCode));
  if (status == 0 && !finished && timedOut) status = streamstatus::kReadTimedOut;
  return status;
}

Status NIGPIBDeviceStream::ClearDevice(uint32_t) {
  if (!IsConnected()) return streamstatus::kNotConnected;
  std::lock_guard guard(deviceLock_);
  return device_->ClearGPIB();
}

Status NIGPIBDeviceStream::ReadStatusByte(uint32_t, uint8_t* statusByte) {
  if (statusByte) *statusByte = 0;
  if (!IsConnected()) return streamstatus::kNotConnected;
  std::lock_guard guard(deviceLock_);
  uint8_t value = 0;
  const Status status = device_->SerialPoll(&value);
  if (statusByte) *statusByte = value;
  return status;
}

Status NIGPIBDeviceStream::GetErrorString(uint32_t hostContext, Status code, std::string& text) {
  char buffer[512];
  uint32_t length = 0;
  std::lock_guard guard(deviceLock_);
  device_->GetErrorString(hostContext, code, buffer, sizeof buffer, &length);
  if (length == 0) {
    if (code == streamstatus::kReadTimedOut) text = "The instrument did not answer within the time-out.";
    return 0;
  }
  text.assign(buffer, length);
  // A library that could not be loaded, or lacks a function (which the
  // loader reports as "function not implemented"), names itself and why.
  text += device_->LoadFailureNote(code);
  return 0;
}

NI4882CompliantGPIBDeviceStream::NI4882CompliantGPIBDeviceStream()
    : NIGPIBDeviceStream(std::make_unique<NI4882CompliantGPIB>()) {}

bool NI4882CompliantGPIBDeviceStream::Accepts(const DeviceStreamConfiguration& configuration) const {
  return configuration.GetStreamTypeName() == NICompliantGPIBDeviceStreamConfiguration::kTypeName;
}

Status NI4882CompliantGPIBDeviceStream::Send(uint32_t hostContext, const std::string& text,
                                             bool waitForOperationComplete) {
  if (!waitForOperationComplete) return device_->SendGPIB(WithSendTermination(text, Settings()));
  // The bus message ends the command: the handshake adds its own "*OPC" after
  // the text, which therefore goes without the send terminator.
  std::string command = text;
  const std::string& terminator = Settings().sendTermination;
  if (!terminator.empty() && command.ends_with(terminator)) command.erase(command.size() - terminator.size());
  return device_->SaveSendGPIB(hostContext, command, true, 0, nullptr);
}
