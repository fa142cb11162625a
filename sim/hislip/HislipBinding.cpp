#include "sim/hislip/HislipBinding.h"

#include <algorithm>
#include <utility>
#include <nlohmann/json.hpp>

#include "sim/core/Instrument.h"

namespace sim {
namespace {
using namespace hislip;

constexpr uint8_t kMessageAvailable = 0x10;
constexpr uint8_t kRequestService = 0x40;
constexpr uint8_t kRmtDelivered = 1;
constexpr uint16_t kVersion1 = 0x0100;
constexpr uint16_t kVersion2 = 0x0200;
// AsyncLock's control codes and AsyncLockResponse's.
constexpr uint8_t kRelease = 0, kRequest = 1;
constexpr uint8_t kLockFailed = 0, kLockGranted = 1, kLockError = 3;
// AsyncRemoteLocalControl: 0 disable remote, 1 enable remote, 2 disable remote
// and go to local, 3 go to remote, 4 local lockout, 5 remote with local lockout,
// 6 go to local (REN and lockout unchanged).
constexpr uint8_t kLastRemoteLocalCode = 6;

std::string TypeText(uint8_t type) { return "message type " + std::to_string(type); }
}  // namespace

HislipBinding::HislipBinding(SimulatorContext& context, Instrument& instrument,
                             const InstrumentSettings& settings)
    : TcpListenerBinding(context, instrument, settings), device_(settings.lanDevice) {}

HislipBinding::~HislipBinding() { Close(); }

void HislipBinding::OnData(Client& client, std::string_view bytes) {
  const int id = client.id;
  for (Message& message : channels_[id].reader.Feed(bytes)) {
    const auto channel = channels_.find(id);
    if (channel == channels_.end() || channel->second.ended) return;
    Dispatch(id, message);
  }
  const auto channel = channels_.find(id);
  if (channel != channels_.end() && !channel->second.ended && channel->second.reader.Failed())
    Fatal(id, kBadHeader, "poorly formed message header (no \"HS\" prologue)");
}

void HislipBinding::OnClientClosed(int id) {
  const auto channel = channels_.find(id);
  if (channel == channels_.end()) return;
  const uint16_t session = channel->second.initialized ? channel->second.session : 0;
  channels_.erase(channel);
  if (session) EndSession(session);
}

void HislipBinding::Dispatch(int client, Message& message) {
  ++messages_;
  Channel& channel = channels_[client];
  if (!channel.initialized) {
    if (message.type == kInitialize) return Initialize(client, message);
    if (message.type == kAsyncInitialize) return AsyncInitialize(client, message);
    return Fatal(client, kBadInitialization, TypeText(message.type) + " before Initialize or AsyncInitialize");
  }
  if (message.type == kInitialize || message.type == kAsyncInitialize)
    return Fatal(client, kBadInitialization, "the channel is initialized already");
  Session* session = FindSession(channel.session);
  if (!session) return;
  if (session->asyncClient == 0)
    return Fatal(client, kChannelsNotEstablished, "the asynchronous channel is not established yet");
  if (message.type >= kFirstVendorType)
    return Error(client, kUnknownVendorMessage, "vendor-defined " + TypeText(message.type) + " is not known");
  if (message.dropped && message.type != kData && message.type != kDataEnd)
    return Fatal(client, kBadHeader, TypeText(message.type) + " with a payload of " +
                                          std::to_string(message.length) + " bytes");
  if (channel.async) return Asynchronous(channel.session, message);
  Synchronous(channel.session, std::move(message));
}

void HislipBinding::Initialize(int client, const Message& message) {
  if (!message.payload.empty() && message.payload != device_)
    return Fatal(client, kBadInitialization, "no sub-address " + message.payload + " here (" + device_ + ")");
  uint16_t id = nextSession_;
  while (id == 0 || sessions_.contains(id)) ++id;
  nextSession_ = static_cast<uint16_t>(id + 1);
  Session& session = sessions_[id];
  session.syncClient = client;
  session.version = (message.parameter >> 16) >= kVersion2 ? kVersion2 : kVersion1;
  Channel& channel = channels_[client];
  channel.session = id;
  channel.initialized = true;
  // Control code 0: synchronized mode, no encryption.
  Send(client, Encode(kInitializeResponse, 0, static_cast<uint32_t>(session.version) << 16 | id));
}

void HislipBinding::AsyncInitialize(int client, const Message& message) {
  const uint16_t id = static_cast<uint16_t>(message.parameter & 0xFFFF);
  Session* session = FindSession(id);
  if (!session || session->asyncClient)
    return Fatal(client, kBadInitialization, "no session " + std::to_string(id) + " waits for its asynchronous channel");
  session->asyncClient = client;
  Channel& channel = channels_[client];
  channel.session = id;
  channel.async = channel.initialized = true;
  Send(client, Encode(kAsyncInitializeResponse, 0, kVendorId));  // control 0: no secure connection
}

void HislipBinding::Synchronous(uint16_t id, Message message) {
  Session& session = sessions_.at(id);
  switch (message.type) {
    case kDeviceClearComplete:
      session.clearing = false;
      session.held.clear();
      session.messageId = kFirstMessageId;
      return Send(session.syncClient, Encode(kDeviceClearAcknowledge, 0, 0));  // 0: synchronized mode
    case kData:
    case kDataEnd:
    case kTrigger:
      if (session.clearing) return;  // discarded until the clear completes
      if (!session.held.empty() || locks_.LockedOut(id)) return session.held.push_back(std::move(message));
      return Run(id, message);
    default:
      return Error(session.syncClient, kUnknownType, TypeText(message.type) + " on the synchronous channel");
  }
}

void HislipBinding::Run(uint16_t id, const Message& message) {
  Session& session = sessions_.at(id);
  session.messageId = message.parameter;
  if (message.control & kRmtDelivered) Delivered(session);
  if (message.type == kTrigger) {
    instrument_.Family().Trigger();
    instrument_.UpdateServiceRequest();
    return;
  }
  if (message.dropped)
    return Error(session.syncClient, kTooLarge, "a message of " + std::to_string(message.length) +
                                                   " bytes (at most " + std::to_string(kMaxMessageSize) + ")");
  Data(session, message);
}

void HislipBinding::Data(Session& session, const Message& message) {
  if (!instrument_.Family().Listening()) return;  // a hung device takes nothing in
  instrument_.RecordBytes(message.payload);
  std::vector<std::string> commands = session.framer.Feed(message.payload, instrument_.ReadTerminator());
  // END ends the last command.
  if (message.type == kDataEnd && !session.framer.Pending().empty()) {
    commands.push_back(session.framer.Pending());
    session.framer.Clear();
  }
  for (const std::string& command : commands) {
    const sim::Reply reply = instrument_.HandleCommand(command);
    if (!reply.answered || reply.silent) continue;
    // Cut short or dropped: the answer never reaches its END.
    const bool whole = reply.sendBytes == reply.bytes.size() && !reply.drop;
    Send(session.syncClient,
         Encode(whole ? kDataEnd : kData, 0, session.messageId, std::string_view(reply.bytes).substr(0, reply.sendBytes)),
         reply.delayMs, reply.drop);
    session.answerUnread = true;
  }
  instrument_.UpdateServiceRequest();
}

void HislipBinding::Asynchronous(uint16_t id, const Message& message) {
  Session& session = sessions_.at(id);
  const int async = session.asyncClient;
  switch (message.type) {
    case kAsyncMaximumMessageSize:
      if (message.payload.size() != 8)
        return Error(async, kUnidentified, "AsyncMaximumMessageSize carries 8 bytes, not " +
                                               std::to_string(message.payload.size()));
      session.clientMaxMessage = ReadU64(message.payload);
      return Send(async, Encode(kAsyncMaximumMessageSizeResponse, 0, 0, U64Bytes(kMaxMessageSize)));
    case kAsyncLock: return Lock(id, message);
    case kAsyncLockInfo:
      return Send(async, Encode(kAsyncLockInfoResponse, locks_.Exclusive() ? 1 : 0,
                                static_cast<uint32_t>(locks_.HolderCount())));
    case kAsyncStatusQuery: {
      if (message.control & kRmtDelivered) Delivered(session);
      uint8_t status = instrument_.SerialPoll() & ~kMessageAvailable;
      if (session.answerUnread) status |= kMessageAvailable;
      return Send(async, Encode(kAsyncStatusResponse, status, 0));
    }
    case kAsyncDeviceClear:
      ++clears_;
      session.clearing = true;
      session.held.clear();
      session.framer.Clear();
      session.answerUnread = false;
      instrument_.Family().DeviceClear();
      instrument_.UpdateServiceRequest();
      return Send(async, Encode(kAsyncDeviceClearAcknowledge, 0, 0));  // 0: synchronized mode preferred
    case kAsyncRemoteLocalControl:
      if (message.control > kLastRemoteLocalCode)
        return Error(async, kUnknownControlCode, "remote/local control code " + std::to_string(message.control));
      if (message.control == 0 || message.control == 2) remote_ = localLockout_ = false;
      if (message.control == 3 || message.control == 5) remote_ = true;
      if (message.control == 4 || message.control == 5) localLockout_ = true;
      if (message.control == 6) remote_ = false;
      return Send(async, Encode(kAsyncRemoteLocalResponse, 0, 0));
    default: return Error(async, kUnknownType, TypeText(message.type) + " on the asynchronous channel");
  }
}

void HislipBinding::Lock(uint16_t id, const Message& message) {
  const int async = sessions_.at(id).asyncClient;
  if (message.control == kRelease) {
    const uint8_t code = locks_.Release(id);
    Send(async, Encode(kAsyncLockResponse, code, 0));
    if (code != kLockError) LocksChanged();
    return;
  }
  if (message.control != kRequest)
    return Error(async, kUnknownControlCode, "lock control code " + std::to_string(message.control));
  const Locks::Grant grant = locks_.Request(id, message.payload);
  if (grant != Locks::Grant::kWait || message.parameter == 0) {
    const uint8_t code = grant == Locks::Grant::kGranted ? kLockGranted
                         : grant == Locks::Grant::kError ? kLockError
                                                         : kLockFailed;
    return Send(async, Encode(kAsyncLockResponse, code, 0));
  }
  // The parameter is the time-out in milliseconds.
  const uint64_t serial = nextLockRequest_++;
  std::weak_ptr<bool> alive = alive_;
  const int timer = context_.loop.After(message.parameter, [this, alive, serial] {
    if (alive.expired()) return;
    const auto request = std::find_if(lockRequests_.begin(), lockRequests_.end(),
                                      [&](const LockRequest& r) { return r.serial == serial; });
    if (request == lockRequests_.end()) return;
    if (Session* session = FindSession(request->session))
      Send(session->asyncClient, Encode(kAsyncLockResponse, kLockFailed, 0));
    lockRequests_.erase(request);
  });
  lockRequests_.push_back({serial, id, message.payload, timer});
}

void HislipBinding::LocksChanged() {
  for (auto request = lockRequests_.begin(); request != lockRequests_.end();) {
    const Locks::Grant grant = locks_.Request(request->session, request->name);
    if (grant == Locks::Grant::kWait) {
      ++request;
      continue;
    }
    context_.loop.Cancel(request->timer);
    if (Session* session = FindSession(request->session))
      Send(session->asyncClient, Encode(kAsyncLockResponse, grant == Locks::Grant::kGranted ? kLockGranted : kLockError, 0));
    request = lockRequests_.erase(request);
  }
  for (auto& [id, session] : sessions_) {
    while (!session.held.empty() && !locks_.LockedOut(id)) {
      const Message message = std::move(session.held.front());
      session.held.pop_front();
      Run(id, message);
    }
  }
}

void HislipBinding::Delivered(Session& session) {
  if (!std::exchange(session.answerUnread, false)) return;
  instrument_.UpdateServiceRequest();  // message available may have ended
}

void HislipBinding::Send(int client, const std::string& bytes, uint32_t delayMs, bool closeAfter) {
  if (Client* found = FindClient(client)) found->connection->Send(bytes, delayMs, closeAfter);
}

void HislipBinding::Error(int client, uint8_t code, const std::string& text) {
  Send(client, Encode(kError, code, 0, text));
}

void HislipBinding::Fatal(int client, uint8_t code, const std::string& text) {
  Send(client, Encode(kFatalError, code, 0, text), 0, true);
  Channel& channel = channels_[client];
  channel.ended = true;
  if (channel.initialized) EndSession(channel.session);
}

void HislipBinding::EndSession(uint16_t id) {
  const auto found = sessions_.find(id);
  if (found == sessions_.end()) return;
  const Session session = std::move(found->second);
  sessions_.erase(found);
  for (const int client : {session.syncClient, session.asyncClient}) {
    const auto channel = channels_.find(client);
    if (client == 0 || channel == channels_.end() || channel->second.ended) continue;
    channel->second.ended = true;
    Send(client, "", 0, true);
  }
  std::erase_if(lockRequests_, [&](const LockRequest& request) {
    if (request.session == id) context_.loop.Cancel(request.timer);
    return request.session == id;
  });
  if (locks_.Release(id) != kLockError) LocksChanged();
}

HislipBinding::Session* HislipBinding::FindSession(uint16_t id) {
  const auto found = sessions_.find(id);
  return found == sessions_.end() ? nullptr : &found->second;
}

bool HislipBinding::OutputPending() const {
  for (const auto& [id, session] : sessions_)
    if (session.answerUnread) return true;
  return false;
}

void HislipBinding::SendUnasked(const std::string& bytes) {
  for (auto& [id, session] : sessions_) {
    Send(session.syncClient, Encode(kDataEnd, 0, session.messageId, bytes));
    session.answerUnread = true;
  }
}

void HislipBinding::ServiceRequested() {
  const uint8_t status = instrument_.Family().StatusByte() | kRequestService;
  for (const auto& [id, session] : sessions_)
    if (session.asyncClient) Send(session.asyncClient, Encode(kAsyncServiceRequest, status, 0));
}

void HislipBinding::Hangup() {
  TcpListenerBinding::Hangup();
  for (const LockRequest& request : lockRequests_) context_.loop.Cancel(request.timer);
  lockRequests_.clear();
  channels_.clear();
  sessions_.clear();
  locks_ = {};
}

nlohmann::json HislipBinding::State() const {
  nlohmann::json state = TcpListenerBinding::State();
  state.update({{"sub_address", device_},
                {"sessions", sessions_.size()},
                {"lock_holders", locks_.HolderCount()},
                {"exclusive_lock", locks_.Exclusive()},
                {"remote", remote_},
                {"local_lockout", localLockout_},
                {"messages", messages_},
                {"device_clears", clears_}});
  return state;
}

}  // namespace sim
