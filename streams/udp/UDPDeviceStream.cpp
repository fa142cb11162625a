#include "streams/udp/UDPDeviceStream.h"

#include <atomic>

#include "logging/JournexEntry.h"
#include "logging/WireBytes.h"
#include "platform/SocketTransfer.h"
#include "streams/DeviceStreamTypeRegistry.h"
#include "streams/udp/UDPDeviceStreamConfig.h"

namespace {
constexpr std::string_view kModule = "UDPDeviceStream";
// The largest datagram a read can take.
constexpr size_t kMaxDatagram = 65536;

[[maybe_unused]] const bool registered =
    DeviceStreamTypeRegistry::RegisterConfiguration(UDPDeviceStreamConfig::kTypeName,
                                                    [] { return std::make_shared<UDPDeviceStreamConfig>(); }) &&
    DeviceStreamTypeRegistry::RegisterStream(UDPDeviceStreamConfig::kTypeName,
                                             [] { return std::make_shared<UDPDeviceStream>(); });
std::atomic<uint16_t> defaultLocalPort{UDPDeviceStream::kDefaultLocalPort};
}  // namespace

void UDPDeviceStream::SetDefaultLocalPort(uint16_t port) { defaultLocalPort = port; }
uint16_t UDPDeviceStream::GetDefaultLocalPort() { return defaultLocalPort; }

UDPDeviceStream::UDPDeviceStream() : localPort_(defaultLocalPort) {}

bool UDPDeviceStream::AcceptsConfiguration(const DeviceStreamConfiguration& configuration) const {
  return configuration.GetStreamTypeName() == UDPDeviceStreamConfig::kTypeName;
}

bool UDPDeviceStream::IsConnected() {
  std::lock_guard guard(socketLock_);
  return Usable();
}

bool UDPDeviceStream::Usable() const { return socket_ && socket_->IsOk() && !Interrupted(); }

uint16_t UDPDeviceStream::BoundLocalPort() {
  std::lock_guard guard(socketLock_);
  wxIPV4address local;
  if (!socket_ || !socket_->GetLocal(local)) return 0;
  return local.Service();
}

Status UDPDeviceStream::InternalConnect() {
  JournexEntry entry("InternalConnect", kModule);
  entry.LogBegin("Note", "InternalConnect()", {{"Timeout", Settings().timeoutSeconds}, {"LocalPort", localPort_}});
  InternalDisconnect();
  wxIPV4address remote;
  Status status = DetermineIPAddress(remote);
  if (status == 0) {
    wxIPV4address local;
    local.AnyAddress();
    local.Service(localPort_);
    auto socket = std::make_unique<wxDatagramSocket>(local, wxSOCKET_BLOCK);
    if (!socket->IsOk()) {
      SetFailedAddress("0.0.0.0:" + std::to_string(localPort_));
      status = networkstatus::kCannotBind;
    } else {
      socket->SetTimeout(WholeSeconds(Settings().timeoutSeconds));
      std::lock_guard guard(socketLock_);
      remote_ = remote;
      AdoptSocket(std::move(socket));
    }
  }
  entry.LogEnd(status == 0 ? "Complete" : "Error", {}, {{"Err", status}});
  return status;
}

Status UDPDeviceStream::Write(uint32_t, const std::string& command, bool waitForOperationComplete) {
  SetLastSystemError(0);
  std::lock_guard guard(socketLock_);
  if (!Usable()) return NotConnected(WhyNotUsable());
  std::string text = Terminated(command);
  if (waitForOperationComplete) text += Terminated("*OPC?");
  if (JournexEntry::Enabled())
    JournexEntry::Note("Write", kModule, "Note", "Write(\"" + command + "\")",
                       {{"Timeout", Settings().timeoutSeconds}, {"Stream", WireName()},
                        {"WireSent", WireHex(text)}});
  Settings().delayer.WaitForGap();
  auto* datagram = static_cast<wxDatagramSocket*>(socket_.get());
  datagram->SendTo(remote_, text.data(), static_cast<wxUint32>(text.size()));
  Settings().delayer.Stamp();
  if (datagram->Error() || datagram->LastWriteCount() != text.size()) {
    SetLastSystemError(static_cast<uint32_t>(datagram->LastError()));
    return networkstatus::kWriteError;
  }
  if (!waitForOperationComplete) return 0;
  std::string answer;
  const Status status = ReceiveDatagram(answer, kMaxDatagram, Deadline());
  if (JournexEntry::Enabled())
    JournexEntry::Note("Read", kModule, status == 0 ? "Note" : "Error", "Read(*OPC?)",
                       {{"Err", status}, {"Stream", WireName()}, {"WireReceived", WireHex(answer)}});
  return status == streamstatus::kReadTimedOut ? streamstatus::kOperationCompleteTimedOut : status;
}

Status UDPDeviceStream::Read(uint32_t, std::string& answer, size_t count) {
  answer.clear();
  SetLastSystemError(0);
  std::lock_guard guard(socketLock_);
  if (!Usable()) return NotConnected(WhyNotUsable());
  const Status status = ReceiveDatagram(answer, count, Deadline());
  Settings().delayer.Stamp();
  if (JournexEntry::Enabled())
    JournexEntry::Note("Read", kModule, status == 0 ? "Note" : "Error",
                       "Read(..., " + std::to_string(count) + " bytes",
                       {{"answer", answer}, {"Err", status}, {"Stream", WireName()},
                        {"WireReceived", WireHex(answer)}});
  return status;
}

Status UDPDeviceStream::ReceiveDatagram(std::string& answer, size_t count, Clock::time_point deadline) {
  // Only the instrument answers: a datagram from any other address or port
  // (another program on this computer) is dropped, and the wait goes on.
  for (;;) {
    // A blocking datagram socket ignores its time-out in RecvFrom: wait first
    // (on the descriptor: wxWidgets' wait ends early when a signal arrives).
    int error = 0;
    const SocketTransfer waited = SocketWaitReadable(static_cast<int>(socket_->GetSocket()),
                                                     static_cast<int>(MillisecondsLeft(deadline)), &error);
    if (waited == SocketTransfer::kTimedOut) return streamstatus::kReadTimedOut;
    if (waited != SocketTransfer::kDone) {
      SetLastSystemError(static_cast<uint32_t>(error));
      return networkstatus::kReadError;
    }
    if (Interrupted()) return NotConnected(WhyNotUsable());
    datagram_.resize(std::min(count, kMaxDatagram) + 1);
    wxIPV4address from;
    static_cast<wxDatagramSocket*>(socket_.get())->RecvFrom(from, datagram_.data(), static_cast<wxUint32>(datagram_.size()));
    const size_t got = socket_->LastReadCount();
    if (got == 0 && socket_->Error()) {
      SetLastSystemError(static_cast<uint32_t>(socket_->LastError()));
      return networkstatus::kReadError;
    }
    if (from.IPAddress() != remote_.IPAddress() || from.Service() != remote_.Service()) {
      JournexEntry::Note("Read", kModule, "Warning", "A datagram not from the instrument was dropped",
                         {{"from", from.IPAddress().utf8_string() + ":" + std::to_string(from.Service())},
                          {"Stream", WireName()}});
      continue;
    }
    answer.assign(datagram_.data(), std::min(got, count));
    return got > count ? streamstatus::kResponseTooLarge : 0;
  }
}

Status UDPDeviceStream::ClearInputBuffers(uint32_t) {
  std::lock_guard guard(socketLock_);
  if (!Usable()) return 0;
  datagram_.resize(kMaxDatagram);
  wxIPV4address from;
  int error = 0;
  while (SocketWaitReadable(static_cast<int>(socket_->GetSocket()), 0, &error) == SocketTransfer::kDone) {
    static_cast<wxDatagramSocket*>(socket_.get())->RecvFrom(from, datagram_.data(), static_cast<wxUint32>(datagram_.size()));
    if (socket_->LastReadCount() == 0 && socket_->Error()) break;
  }
  return 0;
}
