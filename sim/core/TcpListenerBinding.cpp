#include "sim/core/TcpListenerBinding.h"

#include <nlohmann/json.hpp>

#include "sim/transport/Poller.h"
#include "sim/transport/Sockets.h"

namespace sim {

TcpListenerBinding::TcpListenerBinding(SimulatorContext& context, Instrument& instrument,
                                       const InstrumentSettings& settings)
    : context_(context),
      instrument_(instrument),
      transport_(settings.transport),
      port_(settings.port) {}


std::string TcpListenerBinding::Open() { return Listen(); }

std::string TcpListenerBinding::Listen() {
  std::string error;
  uint16_t bound = 0;
  listener_ = transport::ListenTcp(port_, &bound, &error);
  if (!listener_.Valid()) return error;
  port_ = bound;  // later re-listens (after refusing) keep this port
  watch_ = context_.loop.Watch(listener_.Get(), transport::kReadable,
                               [this](unsigned) { AcceptAll(); });
  return "";
}

void TcpListenerBinding::Close() {
  if (watch_) context_.loop.Unwatch(watch_);
  watch_ = 0;
  listener_.Reset();
  Hangup();
}

sim::Endpoint TcpListenerBinding::Endpoint() const {
  sim::Endpoint endpoint;
  endpoint.transport = transport_;
  endpoint.host = "127.0.0.1";
  endpoint.port = port_;
  return endpoint;
}

void TcpListenerBinding::Hangup() {
  for (auto& [id, client] : clients_) client->connection->Close();
  clients_.clear();
}

void TcpListenerBinding::SendUnasked(const std::string& bytes) {
  if (transport_ != TransportKind::kTcp) return;
  for (auto& [id, client] : clients_) client->connection->Send(bytes, 0);
}

void TcpListenerBinding::SetRefusing(bool refusing) {
  if (refusing == refusing_) return;
  refusing_ = refusing;
  if (refusing) {
    if (watch_) context_.loop.Unwatch(watch_);
    watch_ = 0;
    listener_.Reset();
  } else if (!listener_.Valid()) {
    listenError_ = Listen();
  }
}

void TcpListenerBinding::AcceptAll() {
  for (;;) {
    transport::FileDescriptor fd = transport::AcceptConnection(listener_.Get());
    if (!fd.Valid()) return;
    ++accepted_;
    const int id = nextClient_++;
    auto client = std::make_unique<Client>();
    client->id = id;
    Client* raw = client.get();
    std::weak_ptr<bool> alive = alive_;
    client->connection = std::make_unique<StreamConnection>(
        context_.loop, std::move(fd), [this, raw](std::string_view bytes) { OnData(*raw, bytes); },
        [this, id, alive] {
          context_.loop.Defer([this, id, alive] {
            if (alive.expired() || !clients_.erase(id)) return;
            OnClientClosed(id);
          });
        });
    clients_[id] = std::move(client);
  }
}

TcpListenerBinding::Client* TcpListenerBinding::FindClient(int id) {
  const auto found = clients_.find(id);
  return found == clients_.end() ? nullptr : found->second.get();
}

nlohmann::json TcpListenerBinding::State() const {
  nlohmann::json state = {{"listening", listener_.Valid()},
                          {"connections", clients_.size()},
                          {"accepted", accepted_}};
  if (!listenError_.empty()) state["error"] = listenError_;
  return state;
}

}  // namespace sim
