#include "streams/visa/VISADeviceStream.h"

#include <chrono>

#include "framework/NumberConversion.h"
#include "logging/JournexEntry.h"
#include "logging/WireBytes.h"
#include "streams/DeviceStreamTypeRegistry.h"
#include "streams/OperationCompleteQuery.h"
#include "streams/visa/VISAHiSLIPStore.h"

namespace {
constexpr std::string_view kModule = "VISADeviceStream";


[[maybe_unused]] const bool registered =
    DeviceStreamTypeRegistry::RegisterConfiguration(VISADeviceStreamConfiguration::kTypeName,
                                                    [] { return std::make_shared<VISADeviceStreamConfiguration>(); }) &&
    DeviceStreamTypeRegistry::RegisterStream(VISADeviceStreamConfiguration::kTypeName,
                                             [] { return std::make_shared<VISADeviceStream>(); });
}  // namespace

VISADeviceStream::~VISADeviceStream() {
  std::lock_guard guard(visaLock_);
  visa_.Close();
}

Status VISADeviceStream::Open(const VISADeviceStreamConfiguration& configuration) {
  appliedTermination_.reset();
  const uint32_t timeout = MillisecondsOf(Settings().timeoutSeconds);
  const std::string& identifier = configuration.GetIdentifier();
  const std::string hislip = configuration.GetOpenIdentifier();
  const bool triedHiSLIP = hislip != identifier && VISAHiSLIPStore::MayTry(identifier);
  Status hislipStatus = 0;
  if (triedHiSLIP) {
    visa_.SetIdentifier(hislip);
    hislipStatus = visa_.Open(timeout);
    JournexEntry::Note("Open", kModule, hislipStatus == 0 ? "Note" : "Warning", "Open(" + hislip + ")",
                       {{"Err", hislipStatus}});
    if (hislipStatus == 0) return 0;
  }
  visa_.SetIdentifier(identifier);
  const Status status = visa_.Open(timeout);
  // Only an instrument that refused HiSLIP and then opens as configured is
  // without HiSLIP; a busy or slow one is tried again next time.
  if (triedHiSLIP && status == 0 && VISAHiSLIPStore::IsRefusal(hislipStatus))
    VISAHiSLIPStore::RememberRefused(identifier);
  return status;
}

Status VISADeviceStream::Connect(uint32_t, const DeviceStreamConfigurationPtr& configuration, StreamUser user) {
  JournexEntry entry("Connect", kModule);
  entry.LogBegin("Note", "Connect", {{"ID", configuration ? configuration->GetIDString() : std::string()}});
  VerifyCorrectConfigurationObject(configuration, configuration ? configuration->GetIDString() : std::string());
  auto visa = std::dynamic_pointer_cast<VISADeviceStreamConfiguration>(configuration);
  Status status = 0;
  if (!visa) {
    status = streamstatus::kInvalidConfiguration;
  } else {
    SetLockName(visa->GetIDString());
    std::lock_guard guard(visaLock_);
    if (IsFirstUser(user) || !visa_.IsOpen()) status = Open(*visa);
    if (status == 0) {
      SetConnectedFlag(true);
      RegisterUser(user);
    }
  }
  entry.LogEnd(status == 0 ? "Complete" : "Error", {},
               {{"Resource", OpenResource()}, {"Users", UserCount()}, {"Err", status}});
  return status;
}

Status VISADeviceStream::Disconnect(uint32_t, StreamUser user) {
  JournexEntry::Note("Disconnect", kModule, "Note", "Disconnect()");
  Status status = 0;
  if (RemoveUser(user) == 0 && ConnectedFlag()) {
    std::lock_guard guard(visaLock_);
    status = visa_.Close();
    SetConnectedFlag(false);
  }
  return status;
}

bool VISADeviceStream::IsConnected() {
  std::lock_guard guard(visaLock_);
  return ConnectedFlag() && visa_.IsOpen();
}

std::string VISADeviceStream::OpenResource() const {
  std::lock_guard guard(visaLock_);
  return visa_.IsOpen() ? visa_.Resource() : std::string();
}

Status VISADeviceStream::SetTimeout(uint32_t hostContext, double seconds) {
  DeviceStream::SetTimeout(hostContext, seconds);
  std::lock_guard guard(visaLock_);
  return visa_.SetTimeout(MillisecondsOf(seconds));
}

Status VISADeviceStream::Write(uint32_t hostContext, const std::string& text, bool waitForOperationComplete) {
  SetLastSystemError(0);
  if (!IsConnected()) return streamstatus::kNotConnected;
  const std::string command = WithSendTermination(WithOperationCompleteQuery(text, waitForOperationComplete), Settings());
  Status status = 0;
  {
    std::lock_guard guard(visaLock_);
    Settings().delayer.WaitForGap();
    status = visa_.WriteText(command);
    Settings().delayer.Stamp();
    if (JournexEntry::Enabled())
      JournexEntry::Note("Write", kModule, status ? "Error" : "Note", "Write(\"" + text + "\")",
                         {{"Err", status}, {"Stream", visa_.Resource()}, {"WireSent", WireHex(command)}});
  }
  if (status == 0 && waitForOperationComplete) ReadOperationCompleteAnswer(*this, hostContext, kModule);
  return status;
}

Status VISADeviceStream::Read(uint32_t, std::string& text, size_t count) {
  text.clear();
  if (!IsConnected()) return streamstatus::kNotConnected;
  std::lock_guard guard(visaLock_);
  using Clock = std::chrono::steady_clock;
  const Clock::time_point start = Clock::now();
  const uint32_t budget = MillisecondsOf(Settings().timeoutSeconds);
  const std::string& terminator = Settings().ActiveReceiveTermination();
  Status status = ApplyReceiveTermination();
  bool finished = count == 0;
  bool timedOut = false;
  while (status == 0 && !finished) {
    const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
    const uint32_t left = elapsed >= budget ? 0 : budget - static_cast<uint32_t>(elapsed);
    if (left == 0) {
      timedOut = true;
      break;
    }
    if (left != visa_.Timeout()) status = visa_.SetTimeout(left);
    std::string piece;
    // An instrument session read without a receive terminator (a binary
    // block) asks for exactly count bytes; a raw socket cannot tell.
    const bool exact = terminator.empty() && visa_.Type() == VisaBase::SessionType::Instrument;
    if (status == 0) status = visa_.ReadText(&piece, count - text.size(), exact);
    text += piece;
    // A short read either ended with the message or ran out of time.
    if (status == VisaBase::kShortRead) {
      status = 0;
      timedOut = visa_.LastStatus() == static_cast<uint32_t>(visa::kErrorTimeout);
    } else {
      timedOut = false;
    }
    finished = text.size() >= count || (!terminator.empty() && text.ends_with(terminator));
  }
  Settings().delayer.Stamp();
  if (visa_.Timeout() != budget) status = FirstError(status, visa_.SetTimeout(budget));
  if (status == 0 && !finished && timedOut) status = streamstatus::kReadTimedOut;
  if (JournexEntry::Enabled())
    JournexEntry::Note("Read", kModule, status ? "Error" : "Note", "Read(\"" + text + "\")",
                       {{"count", count}, {"Err", status}, {"Stream", visa_.Resource()}, {"WireReceived", WireHex(text)}});
  return status;
}

Status VISADeviceStream::ApplyReceiveTermination() {
  using Type = VisaBase::SessionType;
  const std::string& terminator = Settings().ActiveReceiveTermination();
  if (visa_.Type() == Type::Instrument || appliedTermination_ == terminator) return 0;
  const bool enabled = !terminator.empty();
  Status status = 0;
  if (enabled) status = visa_.SetAttribute(visa::kAttrTermChar, static_cast<unsigned char>(terminator.back()));
  if (!status) status = visa_.SetAttribute(visa::kAttrTermCharEnabled, enabled ? 1 : 0);
  if (!status && visa_.Type() == Type::Serial)
    status = visa_.SetAttribute(visa::kAttrSerialEndIn, enabled ? visa::kEndTermChar : visa::kEndNone);
  if (!status) appliedTermination_ = terminator;
  return status;
}

Status VISADeviceStream::ClearInputBuffers(uint32_t) {
  if (!IsConnected()) return streamstatus::kNotConnected;
  std::lock_guard guard(visaLock_);
  return visa_.DiscardInput();
}

Status VISADeviceStream::ClearDevice(uint32_t) {
  if (!IsConnected()) return streamstatus::kNotConnected;
  std::lock_guard guard(visaLock_);
  return visa_.ClearDevice();
}

Status VISADeviceStream::GetErrorString(uint32_t hostContext, Status code, std::string& text) {
  char buffer[512];
  uint32_t length = 0;
  std::lock_guard guard(visaLock_);
  visa_.GetErrorString(hostContext, code, buffer, sizeof buffer, &length);
  if (length == 0) return 0;
  text.assign(buffer, length);
  const std::string& failure = visa_.Library().LoadFailure();
  if (code == DRV_ERR_VISA_NOT_FOUND && !failure.empty())
    text += " (" + failure + ")";
  return 0;
}
