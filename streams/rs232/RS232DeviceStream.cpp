#include "streams/rs232/RS232DeviceStream.h"

#include <cmath>

#include "logging/JournexEntry.h"
#include "platform/Clock.h"
#include "streams/DeviceStreamTypeRegistry.h"
#include "streams/LegacyConfigurationTransfers.h"
#include "streams/OperationCompleteQuery.h"

namespace {
constexpr std::string_view kModule = "RS232DeviceStream";

uint32_t Milliseconds(double seconds) { return MillisecondsFromSeconds(seconds); }

// The serial settings of older drivers, table "RS232" beside "Stream Config",
// taken over on load and written back on save.
Status LoadLegacySerial(uint32_t hostContext, const SettingsStore& store, DeviceStreamConfiguration& configuration) {
  auto* offered = dynamic_cast<RS232DeviceStreamConfiguration*>(&configuration);
  if (!offered) return 0;  // a driver's own serial configuration class
  RS232DeviceStreamConfiguration& serial = *offered;
  RS232Configuration legacy(serial.GetCOMPort(), serial.GetBaudRate(), serial.GetParity(), serial.GetDataBits(),
                            serial.GetStopBits(), serial.GetLegacyImplementation());
  const Status status = legacy.LoadProgramSettings(hostContext, store);
  serial.SetLegacyImplementation(legacy.GetImplementation());
  serial.SetCOMPort(legacy.GetCOMPort());
  serial.SetBaudRate(legacy.GetBaudRate());
  serial.SetParity(legacy.GetParity());
  serial.SetDataBits(legacy.GetDataBits());
  serial.SetStopBits(legacy.GetStopBits());
  return status;
}

Status SaveLegacySerial(uint32_t hostContext, const SettingsStore& store, const DeviceStreamConfiguration& configuration) {
  const auto* offered = dynamic_cast<const RS232DeviceStreamConfiguration*>(&configuration);
  if (!offered) return 0;
  const RS232DeviceStreamConfiguration& serial = *offered;
  RS232Configuration legacy(serial.GetCOMPort(), serial.GetBaudRate(), serial.GetParity(), serial.GetDataBits(),
                            serial.GetStopBits(), serial.GetLegacyImplementation());
  return legacy.SaveProgramSettings(hostContext, store);
}

[[maybe_unused]] const bool registered =
    DeviceStreamTypeRegistry::RegisterConfiguration(
        RS232DeviceStreamConfiguration::kTypeName, [] { return std::make_shared<RS232DeviceStreamConfiguration>(); }) &&
    DeviceStreamTypeRegistry::RegisterStream(RS232DeviceStreamConfiguration::kTypeName,
                                             [] { return std::make_shared<RS232DeviceStream>(); }) &&
    LegacyConfigurationTransfers::Register(RS232DeviceStreamConfiguration::kTypeName,
                                           {LoadLegacySerial, SaveLegacySerial});
}  // namespace

RS232DeviceStream::~RS232DeviceStream() { ClosePort(); }

std::string RS232DeviceStream::Terminated(const std::string& text, bool waitForOperationComplete,
                                          const DeviceStreamSettings& settings, CommunicationTerminationOption option) {
  std::string command = WithSendTermination(WithOperationCompleteQuery(text, waitForOperationComplete), settings);
  switch (option) {
    case CarrierReturn:
      if (!command.empty() && command.back() != '\r') command += '\r';
      break;
    case LineFeed:
      if (!command.empty() && command.back() != '\n') command += '\n';
      break;
    case CarrierReturnPlusLineFeed:
      if (!command.empty() && !command.ends_with("\r\n")) command += "\r\n";
      break;
    default:
      break;
  }
  return command;
}

Status RS232DeviceStream::OpenPort() {
  std::lock_guard guard(portLock_);
  port_.SetCOMPort(values_.GetCOMPort());
  port_.SetDevicePath(values_.GetDevicePath());
  port_.SetBaudRate(values_.GetBaudRate());
  port_.SetParity(values_.GetParity());
  port_.SetDataBits(values_.GetDataBits());
  port_.SetStopBits(values_.GetStopBits());
  port_.SetFirstLineControl(values_.GetFirstLineControl());
  port_.SetEndOfString(values_.GetNewLineReturnIsEndOfString());
  port_.SetSecondLineControl(values_.GetSecondLineControl());
  port_.SetTimeout(Milliseconds(Settings().timeoutSeconds));
  return port_.Open(values_.GetBaudRate(), values_.GetParity(), values_.GetDataBits(), values_.GetStopBits());
}

Status RS232DeviceStream::ClosePort() {
  std::lock_guard guard(portLock_);
  return port_.Close();
}

bool RS232DeviceStream::PortOpen() const {
  std::lock_guard guard(portLock_);
  return port_.IsOpen();
}

Status RS232DeviceStream::Connect(uint32_t, const DeviceStreamConfigurationPtr& configuration, StreamUser user) {
  JournexEntry entry("Connect", kModule);
  entry.LogBegin("Note", "Connect", {{"ID", configuration ? configuration->GetIDString() : std::string()}});
  Status status = 0;
  auto serial = std::dynamic_pointer_cast<RS232DeviceStreamConfiguration>(configuration);
  if (!serial) {
    status = streamstatus::kInvalidConfiguration;
  } else {
    SetLockName(serial->GetIDString());
    if (IsFirstUser(user) && !ConnectedFlag()) {
      values_ = *serial;
      if (!Sharing()) status = OpenPort();
      std::string failure;
      if (status != 0) GetErrorString(0, status, failure);
      serial->SetOpenFailure(status, failure);
      if (status == 0) SetConnectedFlag(true);
    }
    if (ConnectedFlag()) RegisterUser(user);
  }
  entry.LogEnd(status == 0 ? "Complete" : "Error", {}, {{"Users", UserCount()}, {"Err", status}});
  return status;
}

Status RS232DeviceStream::Disconnect(uint32_t, StreamUser user) {
  JournexEntry::Note("Disconnect", kModule, "Note", "Disconnect()");
  if (RemoveUser(user) == 0 && ConnectedFlag()) {
    // With sharing the port is open only during exchanges: closed already.
    if (!Sharing()) ClosePort();
    SetConnectedFlag(false);
  }
  return 0;
}

bool RS232DeviceStream::IsConnected() {
  if (Sharing() && ConnectedFlag()) return true;
  return PortOpen();
}

Status RS232DeviceStream::Lock(uint32_t hostContext, double seconds) {
  Status status = DeviceStream::Lock(hostContext, seconds);
  if (status != 0) return status;
  bool opened = false;
  if (ConnectedFlag() && Sharing() && !PortOpen()) {
    status = OpenPort();
    opened = status == 0;
  }
  if (status == 0) {
    std::lock_guard guard(portLock_);
    status = port_.Lock(Milliseconds(seconds));
  }
  if (status != 0) {
    if (opened) ClosePort();
    DeviceStream::Unlock(hostContext);
    return status;
  }
  openedByLock_.push_back(opened);
  return 0;
}

Status RS232DeviceStream::Unlock(uint32_t hostContext) {
  Status status = 0;
  {
    std::lock_guard guard(portLock_);
    status = port_.Unlock();
  }
  // A nested Unlock keeps the port open for the outer lock's exchange.
  const bool outermost = openedByLock_.size() <= 1;
  if (!openedByLock_.empty()) openedByLock_.pop_back();
  if (outermost && ConnectedFlag() && Sharing() && PortOpen()) status = FirstError(status, ClosePort());
  return FirstError(status, DeviceStream::Unlock(hostContext));
}

Status RS232DeviceStream::SetTimeout(uint32_t hostContext, double seconds) {
  const Status stored = DeviceStream::SetTimeout(hostContext, seconds);
  std::lock_guard guard(portLock_);
  return FirstError(stored, port_.SetTimeout(Milliseconds(seconds)));
}

Status RS232DeviceStream::Write(uint32_t hostContext, const std::string& text, bool waitForOperationComplete) {
  SetLastSystemError(0);
  // Nothing can be sent: the port's status names it and how COMn maps.
  if (!IsConnected()) return RS232DeviceDriver::kNotOpen;
  const std::string command = Terminated(text, waitForOperationComplete, Settings(), values_.GetSendTermination());
  Status status = 0;
  {
    std::lock_guard guard(portLock_);
    Settings().delayer.WaitForGap();
    status = port_.Write(command);
    Settings().delayer.Stamp();
  }
  if (status == 0 && waitForOperationComplete) ReadOperationCompleteAnswer(*this, hostContext, kModule);
  return status;
}

Status RS232DeviceStream::Read(uint32_t, std::string& text, size_t count) {
  text.clear();
  const DeviceStreamSettings& settings = Settings();
  const std::string terminator = settings.receiveTerminationEnabled ? settings.receiveTermination : std::string();
  std::lock_guard guard(portLock_);
  const Status status = port_.OptimizedRead(&text, count, Milliseconds(settings.timeoutSeconds), terminator);
  Settings().delayer.Stamp();
  return status;
}

Status RS232DeviceStream::ClearInputBuffers(uint32_t) {
  if (!ConnectedFlag() || !PortOpen()) return 0;
  std::lock_guard guard(portLock_);
  return port_.ClearInputBuffer();
}

Status RS232DeviceStream::ClearOutputBuffers(uint32_t) {
  if (!ConnectedFlag() || !PortOpen()) return 0;
  std::lock_guard guard(portLock_);
  return port_.ClearOutputBuffer();
}

Status RS232DeviceStream::GetErrorString(uint32_t hostContext, Status code, std::string& text) {
  char buffer[512];
  uint32_t length = 0;
  port_.GetErrorString(hostContext, code, buffer, sizeof buffer, &length);
  if (length > 0) text.assign(buffer, length);
  return 0;
}
