#include "sim/core/Portmapper.h"

#include "sim/rpc/RpcMessage.h"
#include "sim/rpc/Xdr.h"
#include "sim/transport/Poller.h"
#include "sim/transport/Sockets.h"

namespace sim {
namespace {
constexpr uint32_t kProgram = 100000;
constexpr uint32_t kVersion = 2;
constexpr rpc::Program kServed[] = {{kProgram, kVersion}};
constexpr uint32_t kTcp = 6;
constexpr uint32_t kUdp = 17;

enum Procedure : uint32_t { kNull = 0, kSet = 1, kUnset = 2, kGetPort = 3, kDump = 4 };
}  // namespace

Portmapper::Portmapper(SimulatorContext& context, Mappings mappings)
    : context_(context), mappings_(std::move(mappings)) {}

Portmapper::~Portmapper() { Close(); }

std::string Portmapper::Listen(uint16_t port) {
  Close();
  std::string error;
  tcp_ = transport::ListenTcp(port, &port_, &error);
  if (tcp_.Valid()) udp_ = transport::BindUdp(port_, &port_, &error);
  if (!tcp_.Valid() || !udp_.Valid()) {
    Close();
    return "portmapper: " + error;
  }
  tcpWatch_ = context_.loop.Watch(tcp_.Get(), transport::kReadable, [this](unsigned) { AcceptAll(); });
  udpWatch_ = context_.loop.Watch(udp_.Get(), transport::kReadable, [this](unsigned) { OnDatagrams(); });
  return "";
}

void Portmapper::Close() {
  if (tcpWatch_) context_.loop.Unwatch(tcpWatch_);
  if (udpWatch_) context_.loop.Unwatch(udpWatch_);
  tcpWatch_ = udpWatch_ = 0;
  tcp_.Reset();
  udp_.Reset();
  connections_.clear();
}

void Portmapper::AcceptAll() {
  for (;;) {
    transport::FileDescriptor fd = transport::AcceptConnection(tcp_.Get());
    if (!fd.Valid()) return;
    const int id = nextConnection_++;
    Connection& connection = connections_[id];
    std::weak_ptr<bool> alive = alive_;
    connection.stream = std::make_unique<StreamConnection>(
        context_.loop, std::move(fd),
        [this, id](std::string_view bytes) {
          Connection& self = connections_.at(id);
          for (const std::string& record : self.records.Feed(bytes))
            if (const std::string reply = Answer(record); !reply.empty())
              self.stream->Send(rpc::MarkRecord(reply));
          if (self.records.Failed()) self.stream->Send("", 0, true);
        },
        [this, id, alive] {
          context_.loop.Defer([this, id, alive] {
            if (!alive.expired()) connections_.erase(id);
          });
        });
  }
}

void Portmapper::OnDatagrams() {
  std::string datagram;
  transport::PeerAddress from;
  for (int round = 0; round < 64 && transport::ReceiveDatagram(udp_.Get(), &datagram, &from); ++round)
    if (const std::string reply = Answer(datagram); !reply.empty())
      transport::SendDatagram(udp_.Get(), reply, from);
}

std::vector<Portmapper::Mapping> Portmapper::AllMappings() const {
  std::vector<Mapping> all = {{kProgram, kVersion, kTcp, port_}, {kProgram, kVersion, kUdp, port_}};
  for (const Mapping& mapping : mappings_()) all.push_back(mapping);
  return all;
}

std::string Portmapper::Answer(std::string_view record) const {
  std::string reply;
  const std::optional<rpc::RpcCall> call = rpc::AcceptCall(record, kServed, &reply);
  if (!call) return reply;
  rpc::XdrReader in(call->arguments);
  rpc::XdrWriter out;
  switch (call->procedure) {
    case kNull: break;
    case kSet:
    case kUnset: out.U32(0); break;  // the simulator's mappings are fixed
    case kGetPort: {
      const uint32_t program = in.U32(), version = in.U32(), protocol = in.U32();
      in.U32();  // port: unused in a query
      uint32_t port = 0;
      for (const Mapping& mapping : AllMappings())
        if (mapping.program == program && mapping.version == version && mapping.protocol == protocol) {
          port = mapping.port;
          break;
        }
      out.U32(port);
      break;
    }
    case kDump:
      for (const Mapping& mapping : AllMappings())
        out.U32(1).U32(mapping.program).U32(mapping.version).U32(mapping.protocol).U32(mapping.port);
      out.U32(0);
      break;
    default: return rpc::AcceptedReply(call->xid, rpc::AcceptStat::kProcedureUnavailable);
  }
  if (!in.Ok()) return rpc::AcceptedReply(call->xid, rpc::AcceptStat::kGarbageArguments);
  return rpc::AcceptedReply(call->xid, rpc::AcceptStat::kSuccess, out.Bytes());
}

}  // namespace sim
