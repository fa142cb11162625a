#pragma once
// A UDP server: each datagram holds one or more commands; each answer goes
// back as one datagram to the sender. Refusing closes the socket, so a
// connected client sees "connection refused"; it reopens on the same port.
#include <cstdint>
#include <memory>
#include <optional>

#include "sim/core/Binding.h"
#include "sim/core/InstrumentSettings.h"
#include "sim/core/SimulatorContext.h"
#include "sim/transport/FileDescriptor.h"
#include "sim/transport/Sockets.h"

namespace sim {

class Instrument;

class UdpBinding : public Binding {
public:
  UdpBinding(SimulatorContext& context, Instrument& instrument, const InstrumentSettings& settings);
  ~UdpBinding() override = default;

  std::string Open() override;
  void Close() override;
  sim::Endpoint Endpoint() const override;
  void Hangup() override {}
  void SetRefusing(bool refusing) override;
  nlohmann::json State() const override;
  // One datagram to the client that sent the last command.
  void SendUnasked(const std::string& bytes) override;

private:
  void OnReadable();

  SimulatorContext& context_;
  Instrument& instrument_;
  uint16_t port_;
  transport::FileDescriptor socket_;
  int watch_ = 0;
  bool refusing_ = false;
  std::string openError_;
  size_t datagrams_ = 0;
  std::optional<transport::PeerAddress> lastPeer_;
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace sim
