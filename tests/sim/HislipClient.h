#pragma once
// A HiSLIP client written from the protocol, independent of the server's
// code: a session of two TCP connections to 127.0.0.1 (the synchronous and
// the asynchronous channel), messages of a 16-byte big-endian header ("HS",
// type, control code, 32-bit parameter, 64-bit payload length) and a payload.
// Header-only and blocking (poll with a time-out), for the tests and the
// benchmarks alike.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace hisliptest {

struct Message {
  uint8_t type = 0;
  uint8_t control = 0;
  uint32_t parameter = 0;
  std::string payload;
};

enum Channel { kSync, kAsync };

class HislipClient {
public:
  static constexpr uint32_t kFirstMessageId = 0xFFFFFF00;

  // Connects both channels and initialises the session (unless told not to);
  // Ready() tells whether that worked.
  explicit HislipClient(uint16_t port, uint16_t version = 0x0200, std::string_view subAddress = "hislip0",
                        bool initialise = true) {
    fds_[kSync] = Connect(port);
    fds_[kAsync] = Connect(port);
    if (!initialise) return;
    Send(kSync, 0, 0, static_cast<uint32_t>(version) << 16 | 0x5454, subAddress);  // Initialize, vendor "TT"
    const std::optional<Message> response = Receive(kSync);
    if (!response || response->type != 1) return;
    initializeResponse_ = *response;
    Send(kAsync, 17, 0, SessionId());  // AsyncInitialize
    const std::optional<Message> asyncResponse = Receive(kAsync);
    ready_ = asyncResponse && asyncResponse->type == 18;
  }
  ~HislipClient() {
    for (const int fd : fds_)
      if (fd >= 0) close(fd);
  }
  HislipClient(const HislipClient&) = delete;
  HislipClient& operator=(const HislipClient&) = delete;

  bool Ready() const { return ready_; }
  const Message& InitializeResponse() const { return initializeResponse_; }
  uint16_t SessionId() const { return static_cast<uint16_t>(initializeResponse_.parameter & 0xFFFF); }
  uint16_t ServerVersion() const { return static_cast<uint16_t>(initializeResponse_.parameter >> 16); }
  int Fd(Channel channel) const { return fds_[channel]; }
  uint32_t MessageId() const { return messageId_; }

  bool Send(Channel channel, uint8_t type, uint8_t control, uint32_t parameter, std::string_view payload = {}) {
    std::string bytes = "HS";
    bytes += static_cast<char>(type);
    bytes += static_cast<char>(control);
    for (int shift = 24; shift >= 0; shift -= 8) bytes += static_cast<char>(parameter >> shift);
    const uint64_t length = payload.size();
    for (int shift = 56; shift >= 0; shift -= 8) bytes += static_cast<char>(length >> shift);
    bytes += payload;
    return SendRaw(channel, bytes);
  }
  bool SendRaw(Channel channel, std::string_view bytes) {
    return write(fds_[channel], bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
  }
  // The next message, or nothing at the time-out or when the channel closed.
  std::optional<Message> Receive(Channel channel, int timeoutMs = 5000) {
    std::string header;
    if (!ReadCount(channel, 16, timeoutMs, &header) || header.compare(0, 2, "HS") != 0) return std::nullopt;
    Message message;
    message.type = static_cast<uint8_t>(header[2]);
    message.control = static_cast<uint8_t>(header[3]);
    uint64_t length = 0;
    for (int i = 4; i < 8; ++i) message.parameter = message.parameter << 8 | static_cast<uint8_t>(header[i]);
    for (int i = 8; i < 16; ++i) length = length << 8 | static_cast<uint8_t>(header[i]);
    if (length > (1u << 24) || !ReadCount(channel, length, timeoutMs, &message.payload)) return std::nullopt;
    return message;
  }
  // Whether the channel was closed by the server (end of file within the time-out).
  bool Closed(Channel channel, int timeoutMs = 5000) {
    pollfd entry{fds_[channel], POLLIN, 0};
    char byte;
    return poll(&entry, 1, timeoutMs) == 1 && read(fds_[channel], &byte, 1) == 0;
  }
  // A DataEnd with the next message ID (rmt: the previous answer was read whole).
  bool Write(std::string_view text, bool rmt = false) {
    const bool sent = Send(kSync, 7, rmt ? 1 : 0, messageId_, text);
    messageId_ += 2;
    return sent;
  }
  // Writes text and returns the payload of the DataEnd that answers it (empty when none came).
  std::string Query(std::string_view text, int timeoutMs = 5000) {
    const uint32_t id = messageId_;
    if (!Write(text, true)) return {};
    const std::optional<Message> answer = Receive(kSync, timeoutMs);
    if (!answer || answer->type != 7 || answer->parameter != id) return {};
    return answer->payload;
  }
  // An asynchronous request and the response to it.
  std::optional<Message> Ask(uint8_t type, uint8_t control, uint32_t parameter, std::string_view payload = {},
                             int timeoutMs = 5000) {
    if (!Send(kAsync, type, control, parameter, payload)) return std::nullopt;
    return Receive(kAsync, timeoutMs);
  }
  void ResetMessageId() { messageId_ = kFirstMessageId; }

private:
  static int Connect(uint16_t port) {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    const int yes = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) return fd;
    close(fd);
    return -1;
  }
  bool ReadCount(Channel channel, uint64_t count, int timeoutMs, std::string* out) {
    out->clear();
    char buffer[4096];
    while (out->size() < count) {
      pollfd entry{fds_[channel], POLLIN, 0};
      if (poll(&entry, 1, timeoutMs) != 1) return false;
      const size_t want = static_cast<size_t>(std::min<uint64_t>(sizeof buffer, count - out->size()));
      const ssize_t got = read(fds_[channel], buffer, want);
      if (got <= 0) return false;
      out->append(buffer, static_cast<size_t>(got));
    }
    return true;
  }

  int fds_[2] = {-1, -1};
  Message initializeResponse_;
  bool ready_ = false;
  uint32_t messageId_ = kFirstMessageId;
};

}  // namespace hisliptest
