#include "sim/core/Vxi11Binding.h"

#include <algorithm>
#include <nlohmann/json.hpp>

#include "sim/core/Instrument.h"
#include "sim/rpc/Xdr.h"
#include "sim/transport/Sockets.h"

namespace sim {
namespace {

constexpr uint32_t kCoreProgram = 0x0607AF;
constexpr uint32_t kAbortProgram = 0x0607B0;
constexpr rpc::Program kServed[] = {{kCoreProgram, 1}, {kAbortProgram, 1}};

enum Procedure : uint32_t {
  kNull = 0,
  kDeviceAbort = 1,
  kCreateLink = 10,
  kDeviceWrite = 11,
  kDeviceRead = 12,
  kDeviceReadStb = 13,
  kDeviceTrigger = 14,
  kDeviceClear = 15,
  kDeviceRemote = 16,
  kDeviceLocal = 17,
  kDeviceLock = 18,
  kDeviceUnlock = 19,
  kDeviceEnableSrq = 20,
  kDeviceDoCmd = 22,
  kDestroyLink = 23,
  kCreateInterruptChannel = 25,
  kDestroyInterruptChannel = 26,
  kDeviceInterruptSrq = 30,  // of the client's interrupt program
};

enum Error : int32_t {
  kNoError = 0,
  kDeviceNotAccessible = 3,
  kInvalidLink = 4,
  kChannelNotEstablished = 6,
  kNotSupported = 8,
  kLockedByAnotherLink = 11,
  kNoLockHeld = 12,
  kIoTimeout = 15,
  kAborted = 23,
  kChannelAlreadyEstablished = 29,
};

// The device_read reason of a read of 0 bytes, and operation flags.
constexpr int32_t kReasonRequestCount = 1;
constexpr int32_t kFlagWaitLock = 1;
constexpr int32_t kFlagEnd = 8;
constexpr int32_t kFlagTermCharSet = 128;

constexpr uint32_t kMaxReceiveSize = 1u << 20;
constexpr size_t kMaxDeviceName = 256;
constexpr size_t kMaxSrqHandle = 40;

std::string Success(uint32_t xid, const rpc::XdrWriter& results) {
  return rpc::AcceptedReply(xid, rpc::AcceptStat::kSuccess, results.Bytes());
}

std::string ErrorOnly(uint32_t xid, int32_t error) { return Success(xid, rpc::XdrWriter().I32(error)); }

}  // namespace

Vxi11Binding::Vxi11Binding(SimulatorContext& context, Instrument& instrument,
                           const InstrumentSettings& settings)
    : TcpListenerBinding(context, instrument, settings),
      device_(settings.lanDevice),
      output_(context.loop, instrument,
              [this](const Vxi11Output::Read& read, const Vxi11Output::Result& result) { ReadDone(read, result); }) {}

Vxi11Binding::~Vxi11Binding() { Close(); }

void Vxi11Binding::OnData(Client& client, std::string_view bytes) {
  Session& session = sessions_[client.id];
  for (std::string& record : session.records.Feed(bytes)) session.calls.push_back(std::move(record));
  if (session.records.Failed()) {  // not RPC: end the connection
    client.connection->Send("", 0, true);
    return;
  }
  ServeCalls(client.id);
}

void Vxi11Binding::OnClientClosed(int id) { DropClient(id); }

void Vxi11Binding::ServeCalls(int client) {
  for (auto session = sessions_.find(client);
       session != sessions_.end() && !session->second.busy && !session->second.calls.empty();
       session = sessions_.find(client)) {
    const std::string record = std::move(session->second.calls.front());
    session->second.calls.pop_front();
    std::string refusal;
    const std::optional<rpc::RpcCall> call = rpc::AcceptCall(record, kServed, &refusal);
    if (!call) {
      if (!refusal.empty()) Reply(client, refusal);
      continue;
    }
    session->second.busy = true;
    const bool done = Serve(client, *call);
    session = sessions_.find(client);
    if (done && session != sessions_.end()) session->second.busy = false;
  }
}

void Vxi11Binding::Reply(int client, const std::string& reply) {
  if (Client* found = FindClient(client)) found->connection->Send(rpc::MarkRecord(reply));
}

void Vxi11Binding::Finish(int client, const std::string& reply) {
  Reply(client, reply);
  const auto session = sessions_.find(client);
  if (session == sessions_.end()) return;
  session->second.busy = false;
  ServeCalls(client);
}

bool Vxi11Binding::Serve(int client, const rpc::RpcCall& call) {
  rpc::XdrReader in(call.arguments);
  if (call.procedure == kNull) {
    Reply(client, rpc::AcceptedReply(call.xid, rpc::AcceptStat::kSuccess));
    return true;
  }
  if (call.program == kAbortProgram) {
    const int32_t link = in.I32();
    if (call.procedure != kDeviceAbort) {
      Reply(client, rpc::AcceptedReply(call.xid, rpc::AcceptStat::kProcedureUnavailable));
    } else if (!in.Ok()) {
      Reply(client, rpc::AcceptedReply(call.xid, rpc::AcceptStat::kGarbageArguments));
    } else {
      const bool known = links_.contains(link);
      output_.EndReads(link, kAborted);
      Reply(client, ErrorOnly(call.xid, known ? kNoError : kInvalidLink));
    }
    return true;
  }
  switch (call.procedure) {
    case kDeviceWrite: return Write(client, call, in);
    case kDeviceRead: Read(client, call, in); return false;
    default: break;
  }
  std::string reply;
  const int32_t link = in.I32();
  // Every other call is (link, flags, lock_timeout, io_timeout), (link) or create_link's own.
  switch (call.procedure) {
    case kCreateLink: reply = rpc::AcceptedReply(call.xid, rpc::AcceptStat::kSuccess, CreateLink(client, in)); break;
    case kDeviceReadStb:
    case kDeviceTrigger:
    case kDeviceClear:
    case kDeviceRemote:
    case kDeviceLocal: {
      in.I32();  // flags
      in.U32();  // lock_timeout
      in.U32();  // io_timeout
      const int32_t error = in.Ok() ? LinkError(client, link) : kInvalidLink;
      rpc::XdrWriter results;
      results.I32(error);
      if (call.procedure == kDeviceReadStb) results.U32(error == kNoError ? instrument_.SerialPoll() : 0);
      if (error == kNoError) {
        if (call.procedure == kDeviceTrigger) instrument_.Family().Trigger();
        if (call.procedure == kDeviceClear) DeviceClear();
        if (call.procedure == kDeviceRemote) remote_ = true;
        if (call.procedure == kDeviceLocal) remote_ = false;
      }
      reply = Success(call.xid, results);
      break;
    }
    case kDeviceLock: {
      const int32_t flags = in.I32();
      const uint32_t lockTimeout = in.U32();
      const int32_t error = LinkError(client, link);
      if (error == kNoError) lockHolder_ = link;
      if (error == kLockedByAnotherLink && (flags & kFlagWaitLock) && lockTimeout > 0 && in.Ok()) {
        WaitForLock(client, call.xid, link, lockTimeout);
        return false;
      }
      reply = ErrorOnly(call.xid, error);
      break;
    }
    case kDeviceUnlock: {
      int32_t error = links_.contains(link) && links_.at(link).client == client ? kNoError : kInvalidLink;
      if (error == kNoError && lockHolder_ != link) error = kNoLockHeld;
      if (error == kNoError) lockHolder_ = 0;
      reply = ErrorOnly(call.xid, error);
      Reply(client, reply);
      GrantWaitingLock();
      return true;
    }
    case kDestroyLink: {
      const bool own = links_.contains(link) && links_.at(link).client == client;
      if (own) DestroyLink(link);
      reply = ErrorOnly(call.xid, own ? kNoError : kInvalidLink);
      break;
    }
    case kDeviceEnableSrq: {
      const bool enable = in.Bool();
      std::string handle = in.Opaque(kMaxSrqHandle);
      const bool own = links_.contains(link) && links_.at(link).client == client;
      if (own && in.Ok()) {
        links_.at(link).srqEnabled = enable;
        links_.at(link).srqHandle = std::move(handle);
      }
      reply = ErrorOnly(call.xid, own ? kNoError : kInvalidLink);
      break;
    }
    case kCreateInterruptChannel: {
      rpc::XdrReader arguments(call.arguments);  // (host_addr, host_port, prog_num, prog_vers, prog_family)
      reply = ErrorOnly(call.xid, CreateInterruptChannel(client, arguments));
      if (!arguments.Ok()) reply = rpc::AcceptedReply(call.xid, rpc::AcceptStat::kGarbageArguments);
      Reply(client, reply);
      return true;
    }
    case kDestroyInterruptChannel:  // no arguments: the link read above is not there
      reply = ErrorOnly(call.xid, interrupts_.erase(client) ? kNoError : kChannelNotEstablished);
      Reply(client, reply);
      return true;
    case kDeviceDoCmd: reply = ErrorOnly(call.xid, kNotSupported); break;
    default:
      Reply(client, rpc::AcceptedReply(call.xid, rpc::AcceptStat::kProcedureUnavailable));
      return true;
  }
  if (!in.Ok()) reply = rpc::AcceptedReply(call.xid, rpc::AcceptStat::kGarbageArguments);
  Reply(client, reply);
  return true;
}

std::string Vxi11Binding::CreateLink(int client, rpc::XdrReader& in) {
  const bool lockDevice = in.Bool();
  in.U32();  // lock_timeout: a held lock is refused at once
  const std::string device = in.Opaque(kMaxDeviceName);
  rpc::XdrWriter results;
  int32_t error = kNoError;
  int32_t link = 0;
  if (device != device_) {
    error = kDeviceNotAccessible;
  } else if (lockDevice && lockHolder_ != 0) {
    error = kLockedByAnotherLink;
  } else {
    link = nextLink_++;
    links_.emplace(link, Link{client, {}, false, {}});
    if (lockDevice) lockHolder_ = link;
  }
  // The abort channel is served on this same port.
  return results.I32(error).I32(link).U32(Endpoint().port).U32(kMaxReceiveSize).Bytes();
}

int32_t Vxi11Binding::CreateInterruptChannel(int client, rpc::XdrReader& in) {
  const uint32_t address = in.U32();
  const uint32_t port = in.U32();
  const uint32_t program = in.U32();
  const uint32_t version = in.U32();
  const int32_t family = in.I32();
  if (!in.Ok()) return kNoError;
  if (interrupts_.contains(client)) return kChannelAlreadyEstablished;
  if (family != 0) return kNotSupported;  // only DEVICE_TCP
  // The simulator talks to loopback clients only, and calls back nowhere else.
  if ((address >> 24) != 127 || port == 0 || port > 65535) return kChannelNotEstablished;
  std::string error;
  transport::FileDescriptor fd = transport::ConnectLoopbackTcp(static_cast<uint16_t>(port), &error);
  if (!fd.Valid()) return kChannelNotEstablished;
  std::weak_ptr<bool> alive = alive_;
  InterruptChannel& channel = interrupts_[client];
  channel.program = program;
  channel.version = version;
  channel.stream = std::make_unique<StreamConnection>(
      context_.loop, std::move(fd), [](std::string_view) {},  // replies to device_intr_srq are not awaited
      [this, client, alive] {
        context_.loop.Defer([this, client, alive] {
          if (!alive.expired()) interrupts_.erase(client);
        });
      });
  return kNoError;
}

void Vxi11Binding::ServiceRequested() {
  for (const auto& [id, link] : links_) {
    const auto channel = interrupts_.find(link.client);
    if (!link.srqEnabled || channel == interrupts_.end()) continue;
    rpc::XdrWriter call;
    call.U32(++interruptXid_).U32(0).U32(2).U32(channel->second.program).U32(channel->second.version);
    call.U32(kDeviceInterruptSrq).U32(0).Opaque("").U32(0).Opaque("");  // no credentials, no verifier
    call.Opaque(link.srqHandle);
    channel->second.stream->Send(rpc::MarkRecord(call.Bytes()));
    ++srqsSent_;
  }
}

void Vxi11Binding::WaitForLock(int client, uint32_t xid, int32_t link, uint32_t timeoutMs) {
  std::weak_ptr<bool> alive = alive_;
  const int timer = context_.loop.After(timeoutMs, [this, alive, client, xid] {
    if (alive.expired()) return;
    const auto wait = std::find_if(lockWaits_.begin(), lockWaits_.end(),
                                   [&](const LockWait& w) { return w.client == client && w.xid == xid; });
    if (wait == lockWaits_.end()) return;
    lockWaits_.erase(wait);
    Finish(client, ErrorOnly(xid, kLockedByAnotherLink));
  });
  lockWaits_.push_back({client, xid, link, timer});
}

void Vxi11Binding::GrantWaitingLock() {
  while (lockHolder_ == 0 && !lockWaits_.empty()) {
    const LockWait wait = lockWaits_.front();
    lockWaits_.pop_front();
    context_.loop.Cancel(wait.timer);
    if (!links_.contains(wait.link)) continue;
    lockHolder_ = wait.link;
    Finish(wait.client, ErrorOnly(wait.xid, kNoError));
  }
}

int32_t Vxi11Binding::LinkError(int client, int32_t link) const {
  const auto found = links_.find(link);
  if (found == links_.end() || found->second.client != client) return kInvalidLink;
  if (lockHolder_ != 0 && lockHolder_ != link) return kLockedByAnotherLink;
  return kNoError;
}

bool Vxi11Binding::Write(int client, const rpc::RpcCall& call, rpc::XdrReader& in) {
  const int32_t link = in.I32();
  const uint32_t ioTimeout = in.U32();
  in.U32();  // lock_timeout
  const int32_t flags = in.I32();
  const std::string data = in.Opaque(kMaxReceiveSize);
  if (!in.Ok()) {
    Reply(client, rpc::AcceptedReply(call.xid, rpc::AcceptStat::kGarbageArguments));
    return true;
  }
  const int32_t error = LinkError(client, link);
  if (error != kNoError) {
    Reply(client, Success(call.xid, rpc::XdrWriter().I32(error).U32(0)));
    return true;
  }
  if (!instrument_.Family().Listening()) {  // a hung device: nothing goes in until the time-out
    std::weak_ptr<bool> alive = alive_;
    const uint32_t xid = call.xid;
    context_.loop.After(ioTimeout, [this, alive, client, xid] {
      if (!alive.expired()) Finish(client, Success(xid, rpc::XdrWriter().I32(kIoTimeout).U32(0)));
    });
    return false;
  }
  ++writes_;
  remote_ = true;
  instrument_.RecordBytes(data);
  CommandFramer& framer = links_.at(link).framer;
  std::vector<std::string> commands = framer.Feed(data, instrument_.ReadTerminator());
  // The end of a message (END) ends its last command.
  if ((flags & kFlagEnd) && !framer.Pending().empty()) {
    commands.push_back(framer.Pending());
    framer.Clear();
  }
  for (const std::string& command : commands) {
    const sim::Reply reply = instrument_.HandleCommand(command);
    if (reply.answered && !reply.silent) output_.Add(reply);
  }
  Reply(client, Success(call.xid, rpc::XdrWriter().I32(kNoError).U32(static_cast<uint32_t>(data.size()))));
  return true;
}

void Vxi11Binding::Read(int client, const rpc::RpcCall& call, rpc::XdrReader& in) {
  const int32_t link = in.I32();
  const uint32_t requestSize = in.U32();
  const uint32_t ioTimeout = in.U32();
  in.U32();  // lock_timeout
  const int32_t flags = in.I32();
  const int32_t termChar = in.I32();
  if (!in.Ok()) return Finish(client, rpc::AcceptedReply(call.xid, rpc::AcceptStat::kGarbageArguments));
  const int32_t error = LinkError(client, link);
  if (error != kNoError || requestSize == 0)
    return Finish(client, Success(call.xid, rpc::XdrWriter().I32(error).I32(error ? 0 : kReasonRequestCount).Opaque("")));
  output_.StartRead({client, call.xid, link, std::min(requestSize, kMaxReceiveSize),
                     (flags & kFlagTermCharSet) ? (termChar & 0xFF) : -1},
                    ioTimeout);
}

void Vxi11Binding::ReadDone(const Vxi11Output::Read& read, const Vxi11Output::Result& result) {
  Finish(read.client, Success(read.xid, rpc::XdrWriter().I32(result.error).I32(result.reason).Opaque(result.bytes)));
}

void Vxi11Binding::DeviceClear() {
  ++clears_;
  output_.Clear();
  for (auto& [id, link] : links_) link.framer.Clear();
  output_.EndReads(0, kAborted);
  instrument_.Family().DeviceClear();
  instrument_.UpdateServiceRequest();
}

void Vxi11Binding::DestroyLink(int32_t link) {
  output_.EndReads(link, kAborted);
  links_.erase(link);
  if (lockHolder_ == link) lockHolder_ = 0;
  GrantWaitingLock();
}

void Vxi11Binding::DropClient(int client) {
  sessions_.erase(client);
  output_.Forget(client);
  std::erase_if(links_, [&](const auto& entry) { return entry.second.client == client; });
  std::erase_if(lockWaits_, [&](const LockWait& wait) {
    if (wait.client == client) context_.loop.Cancel(wait.timer);
    return wait.client == client;
  });
  interrupts_.erase(client);
  if (lockHolder_ != 0 && !links_.contains(lockHolder_)) lockHolder_ = 0;
  GrantWaitingLock();
}

void Vxi11Binding::Hangup() {
  TcpListenerBinding::Hangup();
  for (const auto& [client, session] : sessions_) output_.Forget(client);
  sessions_.clear();
  links_.clear();
  lockHolder_ = 0;
  for (const LockWait& wait : lockWaits_) context_.loop.Cancel(wait.timer);
  lockWaits_.clear();
  interrupts_.clear();
  output_.Clear();
}

nlohmann::json Vxi11Binding::State() const {
  nlohmann::json state = TcpListenerBinding::State();
  state.update({{"device", device_},
                {"links", links_.size()},
                {"remote", remote_},
                {"writes", writes_},
                {"device_clears", clears_},
                {"output_bytes", output_.QueuedBytes()},
                {"reads_waiting", output_.ReadsWaiting()},
                {"interrupt_channels", interrupts_.size()},
                {"srq_calls", srqsSent_}});
  return state;
}

}  // namespace sim
