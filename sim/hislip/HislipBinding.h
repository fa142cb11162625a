#pragma once
// A HiSLIP instrument on a TCP port of 127.0.0.1. A client opens a session
// with two connections: the synchronous channel (Initialize, then Data,
// DataEnd, Trigger and DeviceClearComplete) and the asynchronous channel
// (AsyncInitialize, then status queries, locks, device clear, remote/local
// control and the maximum message size; the server sends its service
// requests there). The server works in synchronized mode and speaks
// versions 1.0 and 2.0 (without encryption or authentication).
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <string>

#include "sim/core/CommandFramer.h"
#include "sim/core/TcpListenerBinding.h"
#include "sim/hislip/HislipLocks.h"
#include "sim/hislip/HislipMessage.h"

namespace sim {

class HislipBinding : public TcpListenerBinding {
public:
  HislipBinding(SimulatorContext& context, Instrument& instrument, const InstrumentSettings& settings);
  ~HislipBinding() override;

  void Hangup() override;
  bool OutputPending() const override;
  void SendUnasked(const std::string& bytes) override;
  void ServiceRequested() override;
  nlohmann::json State() const override;

  static constexpr uint64_t kMaxMessageSize = 1u << 20;
  static constexpr uint16_t kVendorId = 0x5357;  // "SW"

protected:
  void OnData(Client& client, std::string_view bytes) override;
  void OnClientClosed(int id) override;

private:
  struct Channel {
    hislip::MessageReader reader{kMaxMessageSize};
    uint16_t session = 0;
    bool async = false;
    bool initialized = false;
    bool ended = false;  // a FatalError went out: what follows is ignored
  };
  struct LockRequest {
    uint64_t serial;
    uint16_t session;
    std::string name;
    int timer;
  };
  struct Session {
    int syncClient = 0;
    int asyncClient = 0;
    uint16_t version = 0;
    uint32_t messageId = hislip::kFirstMessageId;  // of the client's latest message
    bool clearing = false;        // between AsyncDeviceClear and DeviceClearComplete
    bool answerUnread = false;    // an answer went out that the client has not reported delivered
    uint64_t clientMaxMessage = 0;
    CommandFramer framer;
    std::deque<hislip::Message> held;  // synchronous messages waiting for another session's lock
  };

  void Dispatch(int client, hislip::Message& message);
  void Initialize(int client, const hislip::Message& message);
  void AsyncInitialize(int client, const hislip::Message& message);
  void Synchronous(uint16_t id, hislip::Message message);
  void Asynchronous(uint16_t id, const hislip::Message& message);
  // A synchronous message the locks let through.
  void Run(uint16_t id, const hislip::Message& message);
  void Data(Session& session, const hislip::Message& message);
  // The client reports the answers sent so far delivered (RMT).
  void Delivered(Session& session);
  void Lock(uint16_t id, const hislip::Message& message);
  // Grants waiting lock requests and runs the messages the locks held back.
  void LocksChanged();
  void Send(int client, const std::string& bytes, uint32_t delayMs = 0, bool closeAfter = false);
  void Error(int client, uint8_t code, const std::string& text);
  // FatalError, then the session's connections end.
  void Fatal(int client, uint8_t code, const std::string& text);
  void EndSession(uint16_t id);
  Session* FindSession(uint16_t id);

  std::string device_;
  std::map<int, Channel> channels_;
  std::map<uint16_t, Session> sessions_;
  uint16_t nextSession_ = 1;
  hislip::Locks locks_;
  std::deque<LockRequest> lockRequests_;
  uint64_t nextLockRequest_ = 1;
  bool remote_ = false;
  bool localLockout_ = false;
  size_t messages_ = 0;
  size_t clears_ = 0;
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace sim
