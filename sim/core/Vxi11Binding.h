#pragma once
// A VXI-11 instrument: the core channel of ONC RPC program 0x0607AF on a
// TCP port of 127.0.0.1 (create_link, device_write, device_read,
// device_readstb, device_trigger, device_clear, remote, local, lock, unlock
// and destroy_link). Answers wait in the output queue (Vxi11Output) until a
// device_read takes them.
// The same port serves device_abort (program 0x0607B0), which create_link
// reports as the abort channel. Procedure 0 of both answers with nothing (a
// ping). A client that creates an interrupt channel (a TCP RPC server of its
// own on 127.0.0.1) and enables service requests on a link gets a
// device_intr_srq call there when the instrument requests service.
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
  void ServiceRequested() override;
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
    bool srqEnabled = false;
    std::string srqHandle;  // sent back with device_intr_srq
  };
  // The connection to a client's interrupt server (program and version its own).
  struct InterruptChannel {
    std::unique_ptr<StreamConnection> stream;
    uint32_t program = 0;
    uint32_t version = 0;
  };
  // A device_lock that waits for another link's lock.
  struct LockWait {
    int client;
    uint32_t xid;
    int32_t link;
    int timer;
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
  int32_t CreateInterruptChannel(int client, rpc::XdrReader& in);
  void WaitForLock(int client, uint32_t xid, int32_t link, uint32_t timeoutMs);
  // Hands a free lock to the first device_lock that waits for it.
  void GrantWaitingLock();
  void DestroyLink(int32_t link);
  void ReadDone(const Vxi11Output::Read& read, const Vxi11Output::Result& result);
  void DropClient(int client);

  std::string device_;
  std::map<int, Session> sessions_;
  std::map<int32_t, Link> links_;
  int32_t nextLink_ = 1;
  int32_t lockHolder_ = 0;  // the link holding the device lock, 0 for none
  std::deque<LockWait> lockWaits_;
  std::map<int, InterruptChannel> interrupts_;  // by the client that created it
  uint32_t interruptXid_ = 0;
  size_t srqsSent_ = 0;
  Vxi11Output output_;
  bool remote_ = false;
  size_t writes_ = 0;
  size_t clears_ = 0;
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace sim
