#pragma once
// A minimal portmapper (ONC RPC program 100000, version 2) on TCP and UDP of
// 127.0.0.1, so that clients that find their RPC servers through it (VXI-11
// clients on port 111) reach the simulator's. It answers NULL, GETPORT and
// DUMP from the simulator's mappings and refuses SET and UNSET.
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "sim/core/SimulatorContext.h"
#include "sim/core/StreamConnection.h"
#include "sim/rpc/RecordMarking.h"
#include "sim/transport/FileDescriptor.h"

namespace sim {

class Portmapper {
public:
  struct Mapping {
    uint32_t program;
    uint32_t version;
    uint32_t protocol;  // 6 TCP, 17 UDP
    uint16_t port;
  };
  // The simulator's mappings at the time of a call (the portmapper's own are added).
  using Mappings = std::function<std::vector<Mapping>()>;

  Portmapper(SimulatorContext& context, Mappings mappings);
  ~Portmapper();
  Portmapper(const Portmapper&) = delete;
  Portmapper& operator=(const Portmapper&) = delete;

  // Listens on port (0 picks a free one) for TCP and UDP; returns an error text, empty on success.
  std::string Listen(uint16_t port);
  uint16_t Port() const { return port_; }

private:
  struct Connection {
    std::unique_ptr<StreamConnection> stream;
    rpc::RecordReader records;
  };
  void AcceptAll();
  void OnDatagrams();
  // The reply to a call record; empty when none is due.
  std::string Answer(std::string_view record) const;
  std::vector<Mapping> AllMappings() const;
  void Close();

  SimulatorContext& context_;
  Mappings mappings_;
  uint16_t port_ = 0;
  transport::FileDescriptor tcp_;
  transport::FileDescriptor udp_;
  int tcpWatch_ = 0;
  int udpWatch_ = 0;
  std::map<int, Connection> connections_;
  int nextConnection_ = 1;
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace sim
