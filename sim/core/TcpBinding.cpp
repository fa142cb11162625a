#include "sim/core/TcpBinding.h"

#include "sim/core/Instrument.h"

namespace sim {

void TcpBinding::OnData(Client& client, std::string_view bytes) {
  instrument_.RecordBytes(bytes);
  for (const std::string& command : client.framer.Feed(bytes, instrument_.ReadTerminator())) {
    const Reply reply = instrument_.HandleCommand(command);
    if (!reply.answered || reply.silent) continue;
    client.connection->Send(reply.bytes.substr(0, reply.sendBytes), reply.delayMs, reply.drop);
    if (reply.drop) return;  // what follows on this connection is lost with it
  }
}

}  // namespace sim
