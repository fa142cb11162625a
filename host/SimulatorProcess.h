#pragma once
// A swmsim process started for the demo bench: started with a configuration
// file, a private control socket and a private ports directory, asked for the
// state of its instruments over the control socket, stopped when destroyed.
#include <sys/types.h>

#include <stdexcept>
#include <string>

class SimulatorProcess {
public:
  // Starts PROGRAM --config CONFIG --control DIR/control --ports DIR/ports
  // --web 0 (its live view on a free port) and waits (at most timeoutMs) until it reports "running". Throws
  // std::runtime_error with the simulator's own message when it does not start.
  SimulatorProcess(const std::string& program, const std::string& config, const std::string& directory,
                   int timeoutMs = 10000);
  ~SimulatorProcess();
  SimulatorProcess(const SimulatorProcess&) = delete;
  SimulatorProcess& operator=(const SimulatorProcess&) = delete;

  // One control request ("state hub"); the answer line without its end, or
  // "error ..." when the socket cannot be reached.
  std::string Request(const std::string& request) const;
  const std::string& PortsDirectory() const { return ports_; }
  // What the simulator printed before "running" (one "ready ..." line per
  // instrument, the "web ..." line with the address of its live view).
  const std::string& Banner() const { return banner_; }

private:
  void Stop();

  std::string control_;
  std::string ports_;
  std::string banner_;
  pid_t pid_ = -1;
  int output_ = -1;
};
