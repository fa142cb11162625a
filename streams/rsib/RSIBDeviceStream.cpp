#include "streams/rsib/RSIBDeviceStream.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "logging/JournexEntry.h"
#include "streams/DeviceStreamTypeRegistry.h"
#include "streams/rsib/RSIBDeviceStreamConfig.h"
#include "streams/rsib/RSIBStatus.h"

namespace {
constexpr std::string_view kModule = "RSIBDeviceStream";
constexpr size_t kEventStatusCount = 10;

[[maybe_unused]] const bool registered =
    DeviceStreamTypeRegistry::RegisterConfiguration(RSIBDeviceStreamConfig::kTypeName,
                                                    [] { return std::make_shared<RSIBDeviceStreamConfig>(); }) &&
    DeviceStreamTypeRegistry::RegisterStream(RSIBDeviceStreamConfig::kTypeName,
                                             [] { return std::make_shared<RSIBDeviceStream>(); });

// The library counts its time-out in whole seconds, as a short: rounded up,
// at least 1 (also for no number), at most 32767.
short LibrarySeconds(double seconds) {
  if (!(seconds > 1.0)) return 1;
  if (seconds >= 32767.0) return 32767;
  return static_cast<short>(std::ceil(seconds));
}

// Bit 0 of an "*ESR?" answer; false when the answer is no number.
bool OperationComplete(const std::string& answer) {
  char* end = nullptr;
  const long value = std::strtol(answer.c_str(), &end, 10);
  return end != answer.c_str() && (value & 1) != 0;
}
}  // namespace

RSIBDeviceStream::RSIBDeviceStream(std::shared_ptr<RSIBDllWrapper> wrapper) : wrapper_(std::move(wrapper)) {}

RSIBDeviceStream::~RSIBDeviceStream() {
  if (ConnectedFlag()) CloseInstrument();
}

template <class Call>
RSIBDllWrapper::Result RSIBDeviceStream::Invoke(Call&& call) {
  RSIBDllWrapper::Result result;
  std::lock_guard guard(localLock_);
  call(wrapper_->Calls(), result);
  SetLastSystemError(result.Failed() ? static_cast<uint32_t>(result.iberr) : 0);
  return result;
}

Status RSIBDeviceStream::Connect(uint32_t, const DeviceStreamConfigurationPtr& configuration, StreamUser user) {
  JournexEntry entry("Connect", kModule);
  entry.LogBegin("Note", "Connect", {{"ID", configuration ? configuration->GetIDString() : std::string()}});
  VerifyCorrectConfigurationObject(configuration, configuration ? configuration->GetIDString() : std::string());
  auto rsib = std::dynamic_pointer_cast<RSIBDeviceStreamConfig>(configuration);
  Status status = 0;
  if (!rsib) {
    status = streamstatus::kInvalidConfiguration;
  } else if (!wrapper_) {
    status = rsibstatus::kNoLibraryWrapper;
  } else {
    SetLockName(rsib->GetIDString());
    if (IsFirstUser(user) && !ConnectedFlag()) {
      status = wrapper_->Load();
      if (status == 0) {
        std::string address = rsib->GetAddress();
        short ud = -1;
        Invoke([&](const RSIBDllWrapper::Functions& f, RSIBDllWrapper::Result& r) {
          ud = f.RSDLLibfind(address.data(), &r.ibsta, &r.iberr, &r.ibcntl);
        });
        if (ud < 0) status = rsibstatus::kOpenFailed;
        else handle_ = ud;
      }
      if (status == 0) {
        SetConnectedFlag(true);
        status = ApplyTimeout(Settings().timeoutSeconds);
        if (status == 0) status = SendText("*SRE " + std::to_string(serviceRequestMask_ | kSummaryBits));
        if (status == 0) status = SendText("*ESE 1");
        if (status != 0) CloseInstrument();
      }
    }
    if (ConnectedFlag()) RegisterUser(user);
  }
  entry.LogEnd(status == 0 ? "Complete" : "Error", {}, {{"Users", UserCount()}, {"Err", status}});
  return status;
}

Status RSIBDeviceStream::CloseInstrument() {
  Status status = 0;
  if (handle_ >= 0) {
    status = SendText("*SRE 0");
    status = FirstError(status, SendText("*ESE 0"));
    const auto result = Invoke([&](const RSIBDllWrapper::Functions& f, RSIBDllWrapper::Result& r) {
      f.RSDLLibonl(handle_, 0, &r.ibsta, &r.iberr, &r.ibcntl);
    });
    if (result.Failed()) status = FirstError(status, rsibstatus::kWriteFailed);
  }
  handle_ = -1;
  SetConnectedFlag(false);
  return status;
}

Status RSIBDeviceStream::Disconnect(uint32_t, StreamUser user) {
  JournexEntry::Note("Disconnect", kModule, "Note", "Disconnect()");
  if (RemoveUser(user) == 0 && ConnectedFlag()) return CloseInstrument();
  return 0;
}

Status RSIBDeviceStream::ApplyTimeout(double seconds) {
  if (!ConnectedFlag()) return 0;
  const auto result = Invoke([&](const RSIBDllWrapper::Functions& f, RSIBDllWrapper::Result& r) {
    f.RSDLLibtmo(handle_, LibrarySeconds(seconds), &r.ibsta, &r.iberr, &r.ibcntl);
  });
  return result.Failed() ? rsibstatus::kWriteFailed : 0;
}

Status RSIBDeviceStream::SetTimeout(uint32_t hostContext, double seconds) {
  const Status stored = DeviceStream::SetTimeout(hostContext, seconds);
  return FirstError(stored, ApplyTimeout(seconds));
}

Status RSIBDeviceStream::SendText(const std::string& text) {
  const auto result = Invoke([&](const RSIBDllWrapper::Functions& f, RSIBDllWrapper::Result& r) {
    f.RSDLLilwrt(handle_, text.data(), text.size(), &r.ibsta, &r.iberr, &r.ibcntl);
  });
  if (JournexEntry::Enabled())
    JournexEntry::Note("Write", kModule, result.Failed() ? "Error" : "Note", "Write(\"" + text + "\")",
                       {{"ibsta", result.ibsta}, {"iberr", result.iberr}});
  return result.Failed() ? rsibstatus::kWriteFailed : 0;
}

Status RSIBDeviceStream::Write(uint32_t, const std::string& command, bool waitForOperationComplete) {
  if (!ConnectedFlag()) return streamstatus::kNotConnected;
  Settings().delayer.WaitForGap();
  Status status = command.empty() ? 0 : SendText(command);
  Settings().delayer.Stamp();
  if (status == 0 && waitForOperationComplete) status = WaitForOperationComplete();
  return status;
}

// "*OPC", then per service request "*ESR?" until its bit 0 is set. The
// waits share the stream's time-out in the library's whole seconds: when it
// has passed without the bit, the result is kOperationCompleteTimedOut. Each
// wait lasts the time left rounded up to a second, so a wait that times out
// has reached the deadline.
Status RSIBDeviceStream::WaitForOperationComplete() {
  using Clock = std::chrono::steady_clock;
  const auto deadline = Clock::now() + std::chrono::seconds(LibrarySeconds(Settings().timeoutSeconds));
  Status status = SendText("*OPC");
  bool complete = false;
  while (status == 0 && !complete) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0) {
      status = streamstatus::kOperationCompleteTimedOut;
      break;
    }
    short requested = 0;
    auto result = Invoke([&](const RSIBDllWrapper::Functions& f, RSIBDllWrapper::Result& r) {
      f.RSDLLibtmo(handle_, LibrarySeconds(static_cast<double>(left) / 1000.0), &r.ibsta, &r.iberr, &r.ibcntl);
      if (!r.Failed()) f.RSDLLWaitSrq(handle_, &requested, &r.ibsta, &r.iberr, &r.ibcntl);
    });
    if (result.Failed()) {
      status = rsibstatus::kServiceRequestFailed;
      break;
    }
    if (requested <= 0) {
      if (result.TimedOut()) status = streamstatus::kOperationCompleteTimedOut;
      continue;
    }
    status = SendText("*ESR?");
    std::string answer;
    if (status == 0) status = Read(0, answer, kEventStatusCount);
    complete = status == 0 && OperationComplete(answer);
    JournexEntry::Note("Write", kModule, "Note", "Write(*OPC)", {{"ESR", answer}, {"Err", status}});
  }
  return FirstError(status, ApplyTimeout(Settings().timeoutSeconds));
}

Status RSIBDeviceStream::Read(uint32_t, std::string& answer, size_t count) {
  answer.clear();
  if (!ConnectedFlag()) return streamstatus::kNotConnected;
  std::vector<char> buffer(std::clamp<size_t>(count, 1, kLargestRead));
  const auto result = Invoke([&](const RSIBDllWrapper::Functions& f, RSIBDllWrapper::Result& r) {
    f.RSDLLilrd(handle_, buffer.data(), buffer.size(), &r.ibsta, &r.iberr, &r.ibcntl);
  });
  answer.assign(buffer.data(), std::min<size_t>(result.ibcntl, buffer.size()));
  Settings().delayer.Stamp();
  Status status = 0;
  if (result.Failed()) status = result.TimedOut() ? streamstatus::kReadTimedOut : rsibstatus::kReadFailed;
  if (JournexEntry::Enabled())
    JournexEntry::Note("Read", kModule, status == 0 ? "Note" : "Error", "Read(\"" + answer + "\")",
                       {{"count", count}, {"Err", status}});
  return status;
}

Status RSIBDeviceStream::ClearDevice(uint32_t) {
  if (!ConnectedFlag()) return streamstatus::kNotConnected;
  const auto result = Invoke([&](const RSIBDllWrapper::Functions& f, RSIBDllWrapper::Result& r) {
    f.RSDLLibclr(handle_, &r.ibsta, &r.iberr, &r.ibcntl);
  });
  return result.Failed() ? rsibstatus::kWriteFailed : 0;
}

Status RSIBDeviceStream::ReadStatusByte(uint32_t, uint8_t* statusByte) {
  *statusByte = 0;
  if (!ConnectedFlag()) return streamstatus::kNotConnected;
  char polled = 0;
  const auto result = Invoke([&](const RSIBDllWrapper::Functions& f, RSIBDllWrapper::Result& r) {
    f.RSDLLibrsp(handle_, &polled, &r.ibsta, &r.iberr, &r.ibcntl);
  });
  if (result.Failed()) return rsibstatus::kReadFailed;
  *statusByte = static_cast<uint8_t>(polled);
  return 0;
}

std::string RSIBDeviceStream::ErrorText(Status code) {
  switch (code) {
    case rsibstatus::kNoLibraryWrapper: return "RSIB: the stream has no RSIB library wrapper.";
    case rsibstatus::kLibraryNotLoaded: {
      const std::string failure = RSIBDllWrapper::Shared()->Failure();
      return "RSIB: " + RSIBDllWrapper::LibraryName() +
             " could not be loaded or lacks an RSIB function. Is the RSIB library installed?" +
             (failure.empty() ? "" : " (" + failure + ")");
    }
    case rsibstatus::kOpenFailed: return "RSIB: no instrument answers at the configured address.";
    case rsibstatus::kWriteFailed: return "RSIB: sending to the instrument failed.";
    case rsibstatus::kReadFailed: return "RSIB: reading from the instrument failed.";
    case rsibstatus::kServiceRequestFailed: return "RSIB: waiting for a service request failed.";
    case streamstatus::kReadTimedOut: return "RSIB: the instrument did not answer within the time-out.";
    case streamstatus::kOperationCompleteTimedOut:
      return "RSIB: the instrument did not report operation complete within the time-out.";
    default: return {};
  }
}

Status RSIBDeviceStream::GetErrorString(uint32_t hostContext, Status code, std::string& text) {
  const std::string own = ErrorText(code);
  if (own.empty()) return DeviceStream::GetErrorString(hostContext, code, text);
  text = own;
  return 0;
}
