#pragma once
// ONC RPC version 2 messages (the calls a server receives and its replies).
// Credentials are read past and ignored: the simulator serves everybody.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace sim::rpc {

struct RpcCall {
  uint32_t xid = 0;
  uint32_t program = 0;
  uint32_t version = 0;
  uint32_t procedure = 0;
  std::string_view arguments;  // into the record
};

// The outcome of an accepted call.
enum class AcceptStat : uint32_t {
  kSuccess = 0,
  kProgramUnavailable = 1,
  kProgramMismatch = 2,
  kProcedureUnavailable = 3,
  kGarbageArguments = 4,
};

enum class CallCheck { kCall, kNotACall, kWrongRpcVersion };

// Reads the call header of a record; kNotACall for anything else (no reply is due).
CallCheck ParseCall(std::string_view record, RpcCall* call);

// An accepted reply; results follow a success, and the supported version
// range (low, high) a program mismatch.
std::string AcceptedReply(uint32_t xid, AcceptStat stat, std::string_view results = {});
std::string ProgramMismatchReply(uint32_t xid, uint32_t low, uint32_t high);
// A call of another RPC version is denied with the one version spoken here.
std::string RpcMismatchReply(uint32_t xid);

struct Program {
  uint32_t number;
  uint32_t version;  // the one version served
};

// The call in a record if it is one for a program served; otherwise nothing,
// with the refusing reply in *reply (empty when no reply is due).
std::optional<RpcCall> AcceptCall(std::string_view record, std::span<const Program> served,
                                  std::string* reply);

}  // namespace sim::rpc
