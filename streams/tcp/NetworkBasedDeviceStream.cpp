#include "streams/tcp/NetworkBasedDeviceStream.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <exception>

#include "framework/HostCall.h"
#include "logging/JournexEntry.h"
#include "logging/WireBytes.h"
#include "platform/Clock.h"
#include "platform/ProcessLauncher.h"
#include "platform/SocketOptions.h"
#include "platform/SocketTransfer.h"

namespace {
constexpr std::string_view kModule = "NetworkBasedDeviceStream";
constexpr size_t kReadChunk = 64 * 1024;
// Pause between two connection attempts while the instrument refuses.
constexpr long kConnectRetryPauseMs = 50;

bool EndsWith(const std::string& text, const std::string& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

const char* NetworkText(Status code) {
  switch (code) {
    case networkstatus::kNoServer: return "Ethernet Address Has No Server";
    case networkstatus::kNoPort: return "Ethernet Address Has No Port";
    case networkstatus::kUnsupportedHostType: return "Ethernet Unsupported Host Type";
    case networkstatus::kNotConnected: return "Ethernet not connected";
    case networkstatus::kWriteError: return "Ethernet Write Error detected";
    case networkstatus::kReadError: return "Ethernet Read Error detected";
    case networkstatus::kTimeout: return "Ethernet Timeout detected";
    case networkstatus::kAllHttpDataRead: return "All data from HTTP request is read";
    case networkstatus::kSocketNotCreated: return "Ethernet server object could not be created";
    case streamstatus::kResponseTooLarge:
      return "The response of a TCPIP controlled device is larger than expected.";
    default: return nullptr;
  }
}
}  // namespace

NetworkBasedDeviceStream::NetworkBasedDeviceStream() : buffer_(kReadChunk) {}

NetworkBasedDeviceStream::~NetworkBasedDeviceStream() { NetworkBasedDeviceStream::InternalDisconnect(); }

bool NetworkBasedDeviceStream::AcceptsConfiguration(const DeviceStreamConfiguration& configuration) const {
  return configuration.GetStreamTypeName() == "TCPIP";
}

Status NetworkBasedDeviceStream::Connect(uint32_t, const DeviceStreamConfigurationPtr& configuration,
                                         StreamUser user) {
  JournexEntry entry("Connect", kModule);
  entry.LogBegin("Note", "Connect", {{"ID", configuration ? configuration->GetIDString() : std::string()}});
  VerifyCorrectConfigurationObject(configuration, configuration ? configuration->GetIDString() : std::string());
  auto network = std::dynamic_pointer_cast<NetworkBasedDeviceStreamConfig>(configuration);
  Status status = 0;
  if (!network || !AcceptsConfiguration(*network)) {
    status = streamstatus::kInvalidConfiguration;
  } else {
    SetLockName(network->GetLockID());
    // The first user opens the transport; so does a later one when the
    // instrument closed the connection meanwhile.
    if (IsFirstUser(user) || !IsConnected()) {
      configuration_ = network;
      status = InternalConnect();
    }
    if (status == 0) {
      SetConnectedFlag(true);
      RegisterUser(user);
    }
  }
  entry.LogEnd(status == 0 ? "Complete" : "Error", {}, {{"Users", UserCount()}, {"Err", status}});
  return status;
}

Status NetworkBasedDeviceStream::Disconnect(uint32_t hostContext, StreamUser user) {
  JournexEntry::Note("Disconnect", kModule, "Note", "Disconnect()", {{"Timeout", GetTimeout(hostContext)}});
  if (RemoveUser(user) == 0) {
    InternalDisconnect();
    SetConnectedFlag(false);
  }
  return 0;
}

bool NetworkBasedDeviceStream::IsConnected() {
  std::lock_guard guard(socketLock_);
  return SocketUsable();
}

bool NetworkBasedDeviceStream::SocketUsable() const {
  return socket_ && socket_->IsConnected() && !closed_ && !interrupted_;
}

void NetworkBasedDeviceStream::AdoptSocket(std::unique_ptr<wxSocketBase> socket) {
  socket_ = std::move(socket);
  interrupted_ = false;
  socketFd_ = static_cast<int>(socket_->GetSocket());
}

Status NetworkBasedDeviceStream::SetTimeout(uint32_t hostContext, double seconds) {
  DeviceStream::SetTimeout(hostContext, seconds);
  std::lock_guard guard(socketLock_);
  if (socket_) {
    socket_->SetTimeout(WholeSeconds(seconds));
    if (UsesReceiveWait()) ArmReceiveWait();
  }
  JournexEntry::Note("SetTimeout", kModule, "Note", "SetTimeout(" + std::to_string(seconds) + ")");
  return 0;
}

long NetworkBasedDeviceStream::WholeSeconds(double seconds) {
  if (!(seconds > 1.0)) return 1;
  if (seconds > 1e6) return 1000000;
  return static_cast<long>(std::ceil(seconds));
}

NetworkBasedDeviceStream::Clock::time_point NetworkBasedDeviceStream::Deadline() const {
  const double seconds = std::clamp(Settings().timeoutSeconds, 0.0, 1e6);
  return Clock::now() + std::chrono::microseconds(static_cast<int64_t>(seconds * 1e6));
}

long NetworkBasedDeviceStream::MillisecondsLeft(Clock::time_point deadline) {
  const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
  return left > 0 ? static_cast<long>(left) : 0;
}

std::string NetworkBasedDeviceStream::GetEffectiveAddress() const {
  return configuration_ ? configuration_->GetEffectiveAddress().Effective() : std::string();
}

std::string NetworkBasedDeviceStream::WireName() const {
  if (!configuration_) return "";
  const NetworkAddress address = configuration_->GetEffectiveAddress();
  return address.server + ":" + std::to_string(address.port);
}

void NetworkBasedDeviceStream::ArmReceiveWait() {
  const double milliseconds = std::ceil(std::clamp(Settings().timeoutSeconds, 0.0, 1e6) * 1000.0);
  receiveWaitMs_ = -1;
  if (milliseconds >= 1.0 && SocketSetReceiveWait(static_cast<int>(socket_->GetSocket()), static_cast<int>(milliseconds)))
    receiveWaitMs_ = static_cast<long>(milliseconds);
}

bool NetworkBasedDeviceStream::NagleOff() {
  std::lock_guard guard(socketLock_);
  return socket_ && NagleDisabled(*socket_);
}

Status NetworkBasedDeviceStream::DetermineIPAddress(wxIPV4address& address) {
  if (!configuration_) return streamstatus::kInvalidConfiguration;
  const NetworkAddress effective = configuration_->GetEffectiveAddress();
  JournexEntry::Note("DetermineIPAddress", kModule, "Note", "DetermineIPAddress(" + effective.Effective() + ")",
                     {{"server", effective.server},
                      {"port", static_cast<unsigned>(effective.port)},
                      {"defaultServer", configuration_->GetDefaultServer()},
                      {"defaultPort", static_cast<unsigned>(configuration_->GetDefaultPort())}});
  return NetworkAddress::Resolve(effective.Effective(), address);
}

Status NetworkBasedDeviceStream::InternalConnect() {
  JournexEntry entry("InternalConnect", kModule);
  entry.LogBegin("Note", "InternalConnect()", {{"Timeout", Settings().timeoutSeconds}});
  InternalDisconnect();
  // One attempt per host call: an instrument that stayed away costs one time-out, not one per retry.
  // The settings keep the reason of the attempt that failed.
  if (hostcall::Current() != 0 && configuration_ && hostcall::Current() == configuration_->FailedConnectCall()) {
    entry.LogEnd("Error", "Not tried again in this call", {{"Err", networkstatus::kNotConnected}});
    return networkstatus::kNotConnected;
  }
  wxIPV4address address;
  Status status = DetermineIPAddress(address);
  if (status == 0) {
    auto socket = std::make_unique<wxSocketClient>(wxSOCKET_BLOCK | wxSOCKET_REUSEADDR);
    socket->SetTimeout(WholeSeconds(Settings().timeoutSeconds));
    std::lock_guard guard(socketLock_);
    const Clock::time_point deadline = Deadline();
    int connectError = 0;
    // Each attempt waits at most the (whole) seconds left; a signal ends an
    // attempt early and the next one begins after the pause.
    for (;;) {
      socket->SetTimeout(WholeSeconds(static_cast<double>(MillisecondsLeft(deadline)) / 1000.0));
      if (socket->Connect(address, true)) break;
      // The system's reason of the last attempt (a time-out has none of its own).
      connectError = socket->LastError() == wxSOCKET_TIMEDOUT ? ETIMEDOUT : errno;
      const long left = MillisecondsLeft(deadline);
      if (left == 0) break;
      SleepMilliseconds(static_cast<uint32_t>(std::min(left, kConnectRetryPauseMs)));
    }
    socket->SetTimeout(WholeSeconds(Settings().timeoutSeconds));
    if (!socket->IsConnected()) {
      if (socket->IsOk()) SetLastSystemError(static_cast<uint32_t>(socket->LastError()));
      configuration_->SetFailedConnectCall(hostcall::Current());
      status = NotConnected(connectError ? SystemErrorText(connectError) : "the connection could not be made");
    } else {
      configuration_->SetNotConnectedReason("");
      DisableNagle(*socket);
      AdoptSocket(std::move(socket));
      closed_ = false;
      pending_.clear();
      ArmReceiveWait();
    }
  }
  entry.LogEnd(status == 0 ? "Complete" : "Error", status == 0 ? "Connected" : "", {{"Err", status}});
  return status;
}

Status NetworkBasedDeviceStream::InternalDisconnect() {
  std::lock_guard guard(socketLock_);
  if (socket_) {
    JournexEntry::Note("InternalDisconnect", kModule, "Note", "InternalDisconnect()");
    // Blocking sockets have no pending events: they can go at once (Destroy
    // would leave them to an idle loop that a console host never runs).
    socketFd_ = -1;
    socket_->Close();
    socket_.reset();
  }
  pending_.clear();
  return 0;
}

std::string NetworkBasedDeviceStream::Terminated(const std::string& command) const {
  const DeviceStreamSettings& settings = Settings();
  if (!settings.sendTerminationEnabled || EndsWith(command, settings.sendTermination)) return command;
  return command + settings.sendTermination;
}

Status NetworkBasedDeviceStream::SendAll(const std::string& bytes) {
  int error = 0;
  const long timeoutMs = MillisecondsLeft(Deadline());
  const SocketTransfer result =
      SocketSendAll(static_cast<int>(socket_->GetSocket()), bytes.data(), bytes.size(), static_cast<int>(timeoutMs), &error);
  if (result == SocketTransfer::kDone) return 0;
  if (result == SocketTransfer::kClosed) closed_ = true;
  SetLastSystemError(static_cast<uint32_t>(error));
  return networkstatus::kWriteError;
}

Status NetworkBasedDeviceStream::OpenForWriting() {
  if (SocketUsable() && !inputChecked_ && SocketPeerClosed(socketFd_)) closed_ = true;
  inputChecked_ = false;
  if (SocketUsable()) return 0;
  // The instrument closed the connection since the last exchange (it was
  // restarted, or dropped the link): the kernel would take a command on the
  // dead socket and lose it, so the stream connects again while it is in use.
  if (!closed_ || interrupted_ || UserCount() == 0 || !configuration_) return NotConnected(WhyNotUsable());
  JournexEntry::Note("Write", kModule, "Warning", "Write(\"Connecting again: closed by other end\")");
  return InternalConnect();
}

Status NetworkBasedDeviceStream::Write(uint32_t, const std::string& command, bool waitForOperationComplete) {
  SetLastSystemError(0);
  std::lock_guard guard(socketLock_);
  if (const Status status = OpenForWriting()) return status;
  const std::string text = Terminated(command);
  if (JournexEntry::Enabled())
    JournexEntry::Note("Write", kModule, "Note", "Write(\"" + command + "\")",
                       {{"WriteTermination", text.substr(command.size())}, {"Timeout", Settings().timeoutSeconds},
                        {"Stream", WireName()}, {"WireSent", WireHex(text)}});
  Settings().delayer.WaitForGap();
  Status status = SendAll(text);
  Settings().delayer.Stamp();
  if (status == 0 && waitForOperationComplete) status = WaitForOperationComplete(Deadline());
  return status;
}

Status NetworkBasedDeviceStream::WaitForOperationComplete(Clock::time_point deadline) {
  const std::string query = Terminated("*OPC?");
  Status status = SendAll(query);
  if (status != 0) return status;
  std::string received, raw;
  while (received.empty()) {
    std::string part;
    status = ReadLocked(part, kReadChunk, deadline);
    raw += part;
    if (status != 0 && status != streamstatus::kReadTimedOut) return status;
    // Line ends and other noise before the answer do not count.
    const auto first = std::find_if(part.begin(), part.end(), [](char c) { return std::isalnum(static_cast<unsigned char>(c)); });
    received.assign(first, part.end());
    if (status == streamstatus::kReadTimedOut) break;
  }
  JournexEntry::Note("Write", kModule, received.empty() ? "Error" : "Note", "Write(*OPC?)",
                     {{"receivedInformation", received}, {"Stream", WireName()},
                      {"WireSent", WireHex(query)}, {"WireReceived", WireHex(raw)}});
  return received.empty() ? streamstatus::kOperationCompleteTimedOut : 0;
}

Status NetworkBasedDeviceStream::Read(uint32_t, std::string& answer, size_t count) {
  answer.clear();
  SetLastSystemError(0);
  std::lock_guard guard(socketLock_);
  if (!socket_) return NotConnected(WhyNotUsable());
  Status status = 0;
  try {
    status = ReadLocked(answer, count, Deadline());
  } catch (const std::exception& e) {
    JournexEntry::Note("Read", kModule, "Error", std::string("An exception occcured during Read() -> ") + e.what());
    status = networkstatus::kReadError;
  } catch (...) {
    JournexEntry::Note("Read", kModule, "Error", "An undetermined exception occcured during Read()");
    status = networkstatus::kReadError;
  }
  Settings().delayer.Stamp();
  if (JournexEntry::Enabled())
    JournexEntry::Note("Read", kModule, status == 0 ? "Note" : "Error", "Read(\"" + answer + "\")",
                       {{"count", count}, {"Err", status}, {"Stream", WireName()}, {"WireReceived", WireHex(answer)}});
  return status;
}

Status NetworkBasedDeviceStream::ReadLocked(std::string& answer, size_t count, Clock::time_point deadline) {
  std::string collected;
  collected.swap(pending_);
  const std::string terminator = Settings().ActiveReceiveTermination();
  size_t searchFrom = 0;
  for (;;) {
    if (!terminator.empty()) {
      const size_t at = collected.find(terminator, searchFrom);
      if (at != std::string::npos) {
        const size_t end = at + terminator.size();
        pending_.assign(collected, end);
        collected.resize(end);
        const bool tooLarge = collected.size() > count;
        if (tooLarge) collected.resize(count);
        answer.swap(collected);
        return tooLarge ? streamstatus::kResponseTooLarge : 0;
      }
      searchFrom = collected.size() >= terminator.size() ? collected.size() - terminator.size() + 1 : 0;
    }
    if (collected.size() >= count) {
      pending_.assign(collected, count);
      collected.resize(count);
      answer.swap(collected);
      return terminator.empty() ? 0 : streamstatus::kResponseTooLarge;
    }
    const Status status = ReceiveSome(collected, deadline);
    if (status != 0) {
      answer.swap(collected);
      return status;
    }
  }
}

Status NetworkBasedDeviceStream::ReceiveSome(std::string& into, Clock::time_point deadline) {
  int recoveries = 0;
  // The socket's own receive time serves one whole wait; after a signal cut
  // it short, the rest is waited for with the deadline.
  bool receiveWaitUsed = false;
  for (;;) {
    if (!SocketUsable()) {
      JournexEntry::Note("Read", kModule, "Error", "Read(\"Socket closed by other end\")");
      return NotConnected(WhyNotUsable());
    }
    const long left = MillisecondsLeft(deadline);
    if (left == 0) return streamstatus::kReadTimedOut;
    const int fd = static_cast<int>(socket_->GetSocket());
    int error = 0;
    size_t got = 0;
    SocketTransfer result;
    if (receiveWaitMs_ > 0 && left >= receiveWaitMs_ && !receiveWaitUsed) {
      // A whole time-out is left (the first wait of a read): wait and read in one call.
      receiveWaitUsed = true;
      result = SocketReceiveWaiting(fd, buffer_.data(), buffer_.size(), &got, &error);
    } else {
      result = SocketWaitReadable(fd, static_cast<int>(left), &error);
      if (result == SocketTransfer::kDone) result = SocketReceive(fd, buffer_.data(), buffer_.size(), &got, &error);
    }
    switch (result) {
      case SocketTransfer::kDone:
        into.append(buffer_.data(), got);
        return 0;
      case SocketTransfer::kTimedOut:
      case SocketTransfer::kInterrupted:
        continue;  // the loop ends when no time is left
      case SocketTransfer::kClosed:
        closed_ = true;
        continue;  // reported at the top of the loop
      case SocketTransfer::kFailed:
        break;
    }
    if (recoveries == 3) {
      SetLastSystemError(static_cast<uint32_t>(error));
      return networkstatus::kReadError;
    }
    ++recoveries;
    JournexEntry::Note("Read", kModule, "Warning", "Read(Retry)", {{"Attempt", recoveries}, {"Error", error}});
    // The pauses grow (10, 100, 1000 ms) but never outlast the time-out.
    const long pause = recoveries == 1 ? 10 : recoveries == 2 ? 100 : 1000;
    SleepMilliseconds(static_cast<uint32_t>(std::min(pause, MillisecondsLeft(deadline))));
  }
}

Status NetworkBasedDeviceStream::ClearInputBuffers(uint32_t) {
  JournexEntry::Note("ClearInputBuffers", kModule, "Note", "ClearInputBuffers()");
  std::lock_guard guard(socketLock_);
  pending_.clear();
  int error = 0;
  if (SocketUsable()) {
    const SocketTransfer result = SocketDiscard(static_cast<int>(socket_->GetSocket()), &error);
    if (result == SocketTransfer::kClosed) closed_ = true;
    // The next write need not look again whether the connection still stands.
    inputChecked_ = result == SocketTransfer::kDone;
  }
  return 0;
}

Status NetworkBasedDeviceStream::NotConnected(const std::string& reason) {
  if (configuration_) configuration_->SetNotConnectedReason(WireName() + ": " + reason);
  return networkstatus::kNotConnected;
}

std::string NetworkBasedDeviceStream::WhyNotUsable() const {
  if (interrupted_) return "the wait for an answer was interrupted";
  if (closed_) return "the instrument closed the connection";
  return "no connection is open (initialise the device first)";
}

Status NetworkBasedDeviceStream::GetErrorString(uint32_t hostContext, Status code, std::string& text) {
  Status status = 0;
  // A connection that is not usable: the settings know the address and why.
  if (configuration_) configuration_->GetErrorString(hostContext, code, text);
  if (!text.empty()) {
    // named above
  } else if (code == networkstatus::kCannotBind) {
    text = "Could not connect to the specified address and port (" + failedAddress_ +
           "). The receiving address should be a local address and port.";
  } else if (const char* own = NetworkText(code)) {
    text = own;
  } else {
    status = DeviceStream::GetErrorString(hostContext, code, text);
  }
  JournexEntry::Note("GetErrorString", kModule, "Note", "GetErrorString(" + text + ")", {{"Err", code}});
  return status;
}

void NetworkBasedDeviceStream::InterruptWait() {
  // Without the socket lock (the wait to interrupt holds it): only the
  // descriptor is used. A wait in the system ends only when the socket's
  // receiving side does; the stream is then no longer connected and has to
  // be connected again.
  interrupted_ = true;
  const int fd = socketFd_;
  if (fd >= 0) SocketShutdownReceive(fd);
}
