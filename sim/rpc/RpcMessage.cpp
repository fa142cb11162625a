#include "sim/rpc/RpcMessage.h"

#include "sim/rpc/Xdr.h"

namespace sim::rpc {
namespace {
constexpr uint32_t kCall = 0;
constexpr uint32_t kReply = 1;
constexpr uint32_t kAccepted = 0;
constexpr uint32_t kDenied = 1;
constexpr uint32_t kRpcMismatch = 0;
constexpr uint32_t kRpcVersion = 2;
constexpr size_t kMaxAuthBody = 400;

XdrWriter& ReplyHead(XdrWriter& writer, uint32_t xid, uint32_t status) {
  return writer.U32(xid).U32(kReply).U32(status);
}
}  // namespace

CallCheck ParseCall(std::string_view record, RpcCall* call) {
  XdrReader reader(record);
  call->xid = reader.U32();
  if (reader.U32() != kCall || !reader.Ok()) return CallCheck::kNotACall;
  if (reader.U32() != kRpcVersion) return reader.Ok() ? CallCheck::kWrongRpcVersion : CallCheck::kNotACall;
  call->program = reader.U32();
  call->version = reader.U32();
  call->procedure = reader.U32();
  for (int auth = 0; auth < 2; ++auth) {  // credentials, then verifier: flavour and body
    reader.U32();
    reader.Opaque(kMaxAuthBody);
  }
  if (!reader.Ok()) return CallCheck::kNotACall;
  call->arguments = reader.Rest();
  return CallCheck::kCall;
}

std::string AcceptedReply(uint32_t xid, AcceptStat stat, std::string_view results) {
  XdrWriter writer;
  ReplyHead(writer, xid, kAccepted).U32(0).Opaque("").U32(static_cast<uint32_t>(stat));  // null verifier
  return writer.Bytes() + std::string(results);
}

std::string ProgramMismatchReply(uint32_t xid, uint32_t low, uint32_t high) {
  XdrWriter range;
  range.U32(low).U32(high);
  return AcceptedReply(xid, AcceptStat::kProgramMismatch, range.Bytes());
}

std::string RpcMismatchReply(uint32_t xid) {
  XdrWriter writer;
  ReplyHead(writer, xid, kDenied).U32(kRpcMismatch).U32(kRpcVersion).U32(kRpcVersion);
  return writer.Bytes();
}

std::optional<RpcCall> AcceptCall(std::string_view record, std::span<const Program> served,
                                  std::string* reply) {
  RpcCall call;
  reply->clear();
  switch (ParseCall(record, &call)) {
    case CallCheck::kNotACall: return std::nullopt;
    case CallCheck::kWrongRpcVersion: *reply = RpcMismatchReply(call.xid); return std::nullopt;
    case CallCheck::kCall: break;
  }
  for (const Program& program : served) {
    if (program.number != call.program) continue;
    if (program.version == call.version) return call;
    *reply = ProgramMismatchReply(call.xid, program.version, program.version);
    return std::nullopt;
  }
  *reply = AcceptedReply(call.xid, AcceptStat::kProgramUnavailable);
  return std::nullopt;
}

}  // namespace sim::rpc
