#pragma once
// The transport side of one instrument: it accepts clients, cuts what they
// send into commands, hands them to the instrument and carries the answers
// back. Every method runs with the simulator lock held.
#include <nlohmann/json_fwd.hpp>
#include <string>

#include "sim/core/Endpoint.h"

namespace sim {

class Binding {
public:
  virtual ~Binding() = default;

  // Starts listening; returns an error text, empty on success.
  virtual std::string Open() = 0;
  // Stops listening and ends every client.
  virtual void Close() = 0;
  virtual sim::Endpoint Endpoint() const = 0;
  // Ends every client connection (the listener stays).
  virtual void Hangup() = 0;
  // While refusing, no new client gets through.
  virtual void SetRefusing(bool refusing) = 0;
  // Whether answers wait to be read (the message-available bit of a bus device).
  virtual bool OutputPending() const { return false; }
  // Bytes the instrument sends without being asked: to every client of a
  // stream transport, into the output queue of a bus device.
  virtual void SendUnasked(const std::string&) {}
  // The instrument started requesting service.
  virtual void ServiceRequested() {}
  // Transport details for the state (connections, line settings).
  virtual nlohmann::json State() const = 0;
};

}  // namespace sim
