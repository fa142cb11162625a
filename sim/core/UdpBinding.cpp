#include "sim/core/UdpBinding.h"

#include <nlohmann/json.hpp>

#include "sim/core/CommandFramer.h"
#include "sim/core/Instrument.h"
#include "sim/transport/Poller.h"
#include "sim/transport/Sockets.h"

namespace sim {

UdpBinding::UdpBinding(SimulatorContext& context, Instrument& instrument,
                       const InstrumentSettings& settings)
    : context_(context), instrument_(instrument), port_(settings.port) {}


std::string UdpBinding::Open() {
  std::string error;
  uint16_t bound = 0;
  socket_ = transport::BindUdp(port_, &bound, &error);
  if (!socket_.Valid()) return error;
  port_ = bound;
  watch_ = context_.loop.Watch(socket_.Get(), transport::kReadable, [this](unsigned) { OnReadable(); });
  return "";
}

void UdpBinding::Close() {
  if (watch_) context_.loop.Unwatch(watch_);
  watch_ = 0;
  socket_.Reset();
}

sim::Endpoint UdpBinding::Endpoint() const {
  sim::Endpoint endpoint;
  endpoint.transport = TransportKind::kUdp;
  endpoint.host = "127.0.0.1";
  endpoint.port = port_;
  return endpoint;
}

void UdpBinding::SetRefusing(bool refusing) {
  if (refusing == refusing_) return;
  refusing_ = refusing;
  if (refusing)
    Close();
  else if (!socket_.Valid())
    openError_ = Open();
}

void UdpBinding::OnReadable() {
  std::string datagram;
  transport::PeerAddress from;
  for (int round = 0; round < 64 && transport::ReceiveDatagram(socket_.Get(), &datagram, &from); ++round) {
    ++datagrams_;
    lastPeer_ = from;
    instrument_.RecordBytes(datagram);
    for (const std::string& command :
         CommandFramer::SplitMessage(datagram, instrument_.ReadTerminator())) {
      const Reply reply = instrument_.HandleCommand(command);
      if (!reply.answered || reply.silent) continue;
      std::string answer = reply.bytes.substr(0, reply.sendBytes);
      if (reply.delayMs == 0) {
        transport::SendDatagram(socket_.Get(), answer, from);
        continue;
      }
      std::weak_ptr<bool> alive = alive_;
      context_.loop.After(reply.delayMs, [this, alive, answer, from] {
        if (!alive.expired() && socket_.Valid()) transport::SendDatagram(socket_.Get(), answer, from);
      });
    }
  }
}

void UdpBinding::SendUnasked(const std::string& bytes) {
  if (lastPeer_ && socket_.Valid() && !refusing_) transport::SendDatagram(socket_.Get(), bytes, *lastPeer_);
}

nlohmann::json UdpBinding::State() const {
  nlohmann::json state = {{"open", socket_.Valid()}, {"datagrams", datagrams_}};
  if (!openError_.empty()) state["error"] = openError_;
  return state;
}

}  // namespace sim
