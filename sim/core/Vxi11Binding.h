#pragma once
// A VXI-11 instrument: the core channel of ONC RPC program 0x0607AF on a
// TCP port of 127.0.0.1 (create_link, device_write, device_read,
// device_readstb, device_trigger, device_clear, remote, local, lock, unlock
// and destroy_link). Answers wait in the output queue (Vxi11Output) until a
// device_read takes them.
// The same port serves device_abort (program 0x0607B0), which create_link
// reports as the abort channel. There is no interrupt channel.
#include <cstdint>
#include <deque>
#include <map>
#include <string>

#include "sim/core/CommandFramer.h"
#include "sim/core/TcpListenerBinding.h"
#include "sim/core/Vxi11Output.h"
#include "sim/rpc/RecordMarking.h"
#include "sim/rpc/RpcMessage.h"
#include "sim/rpc/Xdr.h"

namespace sim {

class Vxi11Binding : public TcpListenerBinding {
public:
  Vxi11Binding(SimulatorContext& context, Instrument& instrument, const InstrumentSettings& settings);
  ~Vxi11Binding() override;

  // Ends every connection and link; the output queue is emptied.
  void Hangup() override;
  bool OutputPending() const override { return !output_.Empty(); }
  nlohmann::json State() const override;

protected:
  void OnData(Client& client, std::string_view bytes) override;
  void OnClientClosed(int id) override;

private:
  // One connection: its calls are served one after the other.
  struct Session {
    rpc::RecordReader records;
    std::deque<std::string> calls;
    bool busy = false;  // a call waits for data or its time-out
  };
  struct Link {
    int client;
    CommandFramer framer;
  };

  void ServeCalls(int client);
  // Serves one call; false when its reply comes later.
  bool Serve(int client, const rpc::RpcCall& call);
  void Reply(int client, const std::string& reply);
  void Finish(int client, const std::string& reply);

  // The results of create_link.
  std::string CreateLink(int client, rpc::XdrReader& in);
  // The error of an operation on a link (0 when the link may go ahead).
  int32_t LinkError(int client, int32_t link) const;
  bool Write(int client, const rpc::RpcCall& call, rpc::XdrReader& in);
  void Read(int client, const rpc::RpcCall& call, rpc::XdrReader& in);
  void DeviceClear();
  void DestroyLink(int32_t link);
  void ReadDone(const Vxi11Output::Read& read, const Vxi11Output::Result& result);
  void DropClient(int client);

  std::string device_;
  std::map<int, Session> sessions_;
  std::map<int32_t, Link> links_;
  int32_t nextLink_ = 1;
  int32_t lockHolder_ = 0;  // the link holding the device lock, 0 for none
  Vxi11Output output_;
  bool remote_ = false;
  size_t writes_ = 0;
  size_t clears_ = 0;
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace sim
