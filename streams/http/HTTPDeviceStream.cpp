#include "streams/http/HTTPDeviceStream.h"

#include "logging/JournexEntry.h"
#include "logging/WireBytes.h"
#include "streams/DeviceStreamTypeRegistry.h"
#include "streams/http/HTTPDeviceStreamConfig.h"
#include "streams/http/HttpReply.h"

namespace {
constexpr std::string_view kModule = "HTTPDeviceStream";

[[maybe_unused]] const bool registered =
    DeviceStreamTypeRegistry::RegisterConfiguration(HTTPDeviceStreamConfig::kTypeName,
                                                    [] { return std::make_shared<HTTPDeviceStreamConfig>(); }) &&
    DeviceStreamTypeRegistry::RegisterStream(HTTPDeviceStreamConfig::kTypeName,
                                             [] { return std::make_shared<HTTPDeviceStream>(); });
}  // namespace

Status HTTPDeviceStream::Connect(uint32_t hostContext, const DeviceStreamConfigurationPtr& configuration,
                                 StreamUser user) {
  const bool opening = IsFirstUser(user) || !IsConnected();
  const Status status = NetworkBasedDeviceStream::Connect(hostContext, configuration, user);
  // The connection only proved the server reachable: each request opens its own.
  if (opening) InternalDisconnect();
  return status;
}

bool HTTPDeviceStream::AcceptsConfiguration(const DeviceStreamConfiguration& configuration) const {
  return configuration.GetStreamTypeName() == HTTPDeviceStreamConfig::kTypeName;
}

// Each request has a connection of its own, so the stream counts as
// connected from Connect to Disconnect, whatever the socket does between.
bool HTTPDeviceStream::IsConnected() { return ConnectedFlag(); }

std::string HTTPDeviceStream::Request(const std::string& command, const std::string& host) {
  const std::string path = !command.empty() && command[0] == '/' ? command : "/" + command;
  // HTTP/1.1 needs the server's name; asking it to close after the reply
  // spares the wait for a close that a keep-alive server would not send.
  return "GET " + path + " HTTP/1.1\r\nHost: " + host + "\r\nConnection: close\r\n\r\n";
}

Status HTTPDeviceStream::Write(uint32_t, const std::string& command, bool) {
  SetLastSystemError(0);
  std::lock_guard guard(socketLock_);
  reply_.clear();
  replyHandedOut_ = false;
  const NetworkAddress address = configuration_ ? configuration_->GetEffectiveAddress() : NetworkAddress{};
  const std::string request = Request(command, address.server + ":" + std::to_string(address.port));
  // The instrument's command is the path of the request; its answer the body.
  const std::string path = command.starts_with('/') ? command.substr(1) : command;
  if (JournexEntry::Enabled())
    JournexEntry::Note("Write", kModule, "Note", "Write(\"" + request + "\")",
                       {{"Timeout", Settings().timeoutSeconds}, {"Stream", WireName()}, {"WireSent", WireHex(path)}});
  replyStatus_ = SocketUsable() ? 0 : InternalConnect();
  if (replyStatus_ == 0) {
    const Clock::time_point deadline = Deadline();
    Settings().delayer.WaitForGap();
    replyStatus_ = SendAll(request);
    if (replyStatus_ == 0) replyStatus_ = CollectReply(deadline);
    Settings().delayer.Stamp();
  }
  // The next request needs a connection of its own.
  InternalDisconnect();
  // A reply outside 2xx, or none at all, fails the exchange; a reply that
  // stopped early is reported by Read, with its part of the body.
  int code = 0;
  std::string reason;
  if (HttpReply::StatusLine(reply_, &code, &reason) && (code < 200 || code > 299)) {
    if (configuration_) configuration_->SetHttpStatusLine("HTTP " + std::to_string(code) + " " + reason);
    replyStatus_ = networkstatus::kHttpStatus;
  }
  const bool silent = replyStatus_ == streamstatus::kReadTimedOut && reply_.empty();
  const bool written = !silent && replyStatus_ != networkstatus::kHttpStatus &&
                       (replyStatus_ == 0 || replyStatus_ == streamstatus::kReadTimedOut ||
                        replyStatus_ == networkstatus::kReadError);
  if (!written) replyHandedOut_ = true;
  return written ? 0 : replyStatus_;
}

Status HTTPDeviceStream::CollectReply(Clock::time_point deadline) {
  while (!HttpReply::IsComplete(reply_)) {
    const Status status = ReceiveSome(reply_, deadline);
    if (status == networkstatus::kNotConnected) {
      // Without Content-Length a closed connection ends the body.
      const size_t start = HttpReply::BodyStart(reply_);
      const bool delimited = start != std::string::npos && !HttpReply::ContentLength(reply_.substr(0, start), nullptr);
      return delimited ? 0 : networkstatus::kReadError;
    }
    if (status != 0) return status;
  }
  // Wait for the server to close. (wxSocketBase::WaitForLost does not see a
  // close on a blocking socket: it waits for its whole time-out.)
  JournexEntry::Note("Write", kModule, "Note", "WaitForClose()", {{"Milliseconds", MillisecondsLeft(deadline)}});
  std::string after;
  while (ReceiveSome(after, deadline) == 0) after.clear();
  return 0;
}

Status HTTPDeviceStream::Read(uint32_t, std::string& answer, size_t count) {
  answer.clear();
  std::lock_guard guard(socketLock_);
  if (replyHandedOut_) return networkstatus::kAllHttpDataRead;
  replyHandedOut_ = true;
  answer = HttpReply::Body(reply_);
  Status status = replyStatus_;
  if (answer.size() > count) {
    answer.resize(count);
    status = streamstatus::kResponseTooLarge;
  }
  JournexEntry::Note("Read", kModule, status == 0 ? "Note" : "Error", "ReceiveString",
                     {{"ReceiveString", answer}, {"Err", status}, {"Stream", WireName()}, {"WireReceived", WireHex(answer)}});
  return status;
}
