#pragma once
// The common part of the TCP-based transports: a listener on 127.0.0.1 and
// its client connections. Refusing closes the listener (clients get
// "connection refused") and reopens it on the same port afterwards.
#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include "sim/core/Binding.h"
#include "sim/core/CommandFramer.h"
#include "sim/core/InstrumentSettings.h"
#include "sim/core/SimulatorContext.h"
#include "sim/core/StreamConnection.h"
#include "sim/transport/FileDescriptor.h"

namespace sim {

class Instrument;

class TcpListenerBinding : public Binding {
public:
  TcpListenerBinding(SimulatorContext& context, Instrument& instrument,
                     const InstrumentSettings& settings);
  ~TcpListenerBinding() override = default;

  std::string Open() override;
  void Close() override;
  sim::Endpoint Endpoint() const override;
  void Hangup() override;
  void SetRefusing(bool refusing) override;
  nlohmann::json State() const override;
  // Raw TCP only: to every connected client (an HTTP client gets replies alone).
  void SendUnasked(const std::string& bytes) override;

protected:
  struct Client {
    int id = 0;
    std::unique_ptr<StreamConnection> connection;
    CommandFramer framer;
    std::string request;  // HTTP: the request read so far
    bool done = false;    // HTTP: the request was answered
  };
  virtual void OnData(Client& client, std::string_view bytes) = 0;
  // The client's connection ended by itself (not by Hangup or Close).
  virtual void OnClientClosed(int /*id*/) {}
  // The client by its id; null when it has gone.
  Client* FindClient(int id);

  SimulatorContext& context_;
  Instrument& instrument_;

private:
  std::string Listen();
  void AcceptAll();

  TransportKind transport_;
  uint16_t port_;
  transport::FileDescriptor listener_;
  int watch_ = 0;
  bool refusing_ = false;
  std::string listenError_;
  std::map<int, std::unique_ptr<Client>> clients_;
  int nextClient_ = 1;
  size_t accepted_ = 0;
  // Deferred work checks this token so it never touches a closed binding.
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace sim
