#pragma once
// The simulated instrument bus: GPIB boards and VISA resources served on a
// Unix stream socket to the simulated vendor libraries. The request lines
// and answers are described in docs/simulator.md ("The bus socket").
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "sim/core/SimulatorContext.h"
#include "sim/core/StreamConnection.h"
#include "sim/transport/FileDescriptor.h"

namespace sim {

class BusBinding;

// Upper case, "GPIB::" read as "GPIB0::" and "TCPIP::" as "TCPIP0::".
std::string NormaliseResource(std::string_view resource);

class BusServer {
public:
  explicit BusServer(SimulatorContext& context) : context_(context) {}
  ~BusServer();

  // Starts serving on a Unix socket; returns an error text, empty on success.
  std::string Listen(const std::string& path);
  void Close();
  const std::string& Path() const { return path_; }
  // The primary address of every board's own interface (default 0).
  void SetBoardAddress(int address) { boardAddress_ = address; }
  int BoardAddress() const { return boardAddress_; }

  std::string Attach(BusBinding* binding);
  void Detach(BusBinding* binding);
  BusBinding* Find(std::string_view resource) const;
  // A device on board started requesting service.
  void ServiceRequested(int board);
  // The device started requesting service: answers the waits for it.
  void DeviceRequestedService(BusBinding* device);

private:
  struct Session {
    std::unique_ptr<StreamConnection> connection;
    std::string input;
  };
  struct SrqWait {
    int session;
    int board;
    int timer;
  };
  struct RqsWait {
    int session;
    std::string resource;
    int timer;
  };
  void AcceptAll();
  void OnData(int sessionId, std::string_view bytes);
  // Handles one request line (and its payload); the answer is sent later for reads.
  void Handle(int sessionId, const std::vector<std::string>& words, const std::string& payload);
  void Reply(int sessionId, const std::string& line, const std::string& payload = "");
  BusBinding* Requesting(int board) const;
  // Automatic serial polling of a board: polls its requesting devices now.
  void AutoPoll(int board);

  SimulatorContext& context_;
  std::string path_;
  transport::FileDescriptor listener_;
  int watch_ = 0;
  int boardAddress_ = 0;
  std::map<std::string, BusBinding*> devices_;
  std::map<int, std::unique_ptr<Session>> sessions_;
  std::vector<SrqWait> srqWaits_;
  std::vector<RqsWait> rqsWaits_;
  std::map<int, int> autopoll_;                     // board -> users that switched it on
  std::map<std::string, std::deque<int>> queued_;  // status bytes polled automatically
  int nextSession_ = 1;
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace sim
