#pragma once
// The simulator: any number of simulated instruments, each on a transport,
// served by one event-loop thread. Usable inside a test process:
//
//   sim::Simulator simulator;
//   sim::Instrument& dmm = simulator.Add("dmm", {{"transport", "tcp"}, {"idn", "ACME,DMM,1,1.0"}});
//   connect to 127.0.0.1:dmm.Endpoint().port ...; dmm.ReceivedCommands(); dmm.SetFault(...);
//
// The instruments stay valid until the simulator is destroyed.
#include <memory>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

#include "sim/core/Instrument.h"
#include "sim/core/InstrumentSettings.h"
#include "sim/core/SimulatorContext.h"

namespace sim {

class BusServer;
class ControlServer;
class Portmapper;

class Simulator {
public:
  using Keys = std::vector<std::pair<std::string, std::string>>;

  Simulator();  // starts the event loop
  ~Simulator();  // stops it and closes every instrument, link and socket
  Simulator(const Simulator&) = delete;
  Simulator& operator=(const Simulator&) = delete;

  // Where pseudo-terminals are linked as COMn; set before adding them.
  void SetPortsDirectory(const std::string& directory);
  // The primary address of the simulated GPIB boards' own interfaces.
  void SetBoardAddress(int address);

  // Adds and opens an instrument; throws std::invalid_argument with the reason on failure.
  Instrument& Add(const std::string& name, const Keys& keys);
  // The same without exceptions: null and an error text ("line N: " first
  // when the entry at fault came from a file).
  Instrument* Add(const std::string& name, const ConfigEntries& entries, std::string* error);
  Instrument* Find(std::string_view name);
  std::vector<Instrument*> Instruments();

  // Serves the control protocol on a Unix socket; returns an error text, empty on success.
  std::string ListenControl(const std::string& path);
  // Serves the simulated bus on a Unix socket.
  std::string ListenBus(const std::string& path);
  std::string BusPath();
  // Serves a portmapper on TCP and UDP (port 0 picks a free one) that lists
  // the VXI-11 programs of every vxi11 instrument (GETPORT names the first);
  // returns an error text.
  std::string ListenPortmapper(uint16_t port);
  uint16_t PortmapperPort();

  // Announces every change of an instrument to watchers outside the lock.
  ChangeNotice& Notice() { return context_.notice; }

  // Asks the loop to stop (from any thread, also from a control request).
  void RequestStop();
  // Waits until the loop has stopped.
  void Wait();
  void Stop() {
    RequestStop();
    Wait();
  }

private:
  SimulatorContext context_;
  std::unique_ptr<BusServer> bus_;
  std::unique_ptr<ControlServer> control_;
  std::unique_ptr<Portmapper> portmapper_;
  std::vector<std::unique_ptr<Instrument>> instruments_;
  std::thread thread_;
  std::mutex joinLock_;
};

}  // namespace sim
