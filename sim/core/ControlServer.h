#pragma once
// The control socket: one request line in, one answer line out ("ok JSON"
// or "error TEXT"), to query instruments, switch faults, reset logs and stop.
// The requests are listed in docs/simulator.md.
#include <map>
#include <memory>
#include <string>

#include "sim/core/CommandFramer.h"
#include "sim/core/SimulatorContext.h"
#include "sim/core/StreamConnection.h"
#include "sim/transport/FileDescriptor.h"

namespace sim {

class Simulator;

// Runs one control request against the simulator; returns the answer line (without newline).
std::string ExecuteControlRequest(Simulator& simulator, const std::string& line);

class ControlServer {
public:
  ControlServer(Simulator& simulator, SimulatorContext& context)
      : simulator_(simulator), context_(context) {}
  ~ControlServer();

  std::string Listen(const std::string& path);
  const std::string& Path() const { return path_; }

private:
  struct Session {
    std::unique_ptr<StreamConnection> connection;
    CommandFramer framer;
  };
  void AcceptAll();
  void OnData(Session& session, std::string_view bytes);

  Simulator& simulator_;
  SimulatorContext& context_;
  std::string path_;
  transport::FileDescriptor listener_;
  int watch_ = 0;
  std::map<int, std::unique_ptr<Session>> sessions_;
  int nextSession_ = 1;
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace sim
