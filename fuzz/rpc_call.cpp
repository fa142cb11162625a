// Fuzzes the simulator's reading of ONC RPC from a client: record marking
// over a byte stream, the call header and XDR items. Nothing may crash; the
// records do not depend on how the stream is cut; a record marked again reads
// back as itself; a call that is accepted is one for a program served, and a
// refused one with a reply carries the call's xid.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "FuzzCheck.h"
#include "sim/rpc/RecordMarking.h"
#include "sim/rpc/RpcMessage.h"
#include "sim/rpc/Xdr.h"

namespace {
constexpr sim::rpc::Program kServed[] = {{0x0607AF, 1}, {0x0607B0, 1}};
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  sim::rpc::RecordReader whole, bytewise;
  const std::vector<std::string> records = whole.Feed(input);
  std::vector<std::string> again;
  for (char byte : input)
    for (std::string& record : bytewise.Feed(std::string_view(&byte, 1))) again.push_back(std::move(record));
  Check(whole.Failed() || again == records);

  for (const std::string& record : records) {
    sim::rpc::RecordReader reader;
    Check(reader.Feed(sim::rpc::MarkRecord(record)) == std::vector<std::string>{record});
    std::string reply;
    const auto call = sim::rpc::AcceptCall(record, kServed, &reply);
    if (call) {
      Check(reply.empty() && (call->program == 0x0607AF || call->program == 0x0607B0) && call->version == 1);
      sim::rpc::XdrReader arguments(call->arguments);
      arguments.I32();
      const std::string opaque = arguments.Opaque(256);
      Check(opaque.size() <= 256);
    } else if (!reply.empty()) {
      Check(sim::rpc::XdrReader(reply).U32() == sim::rpc::XdrReader(record).U32());
    }
  }
  return 0;
}
