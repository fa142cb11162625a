#pragma once
// Runs host scripts: one export call per line, with named drivers and events
// and requests by name or number. Prints every call with its status and, for
// a failure, the text GetErrorString gives.
#include <istream>
#include <map>
#include <ostream>
#include <string>
#include <vector>

#include "CallProgress.h"
#include "swmatrix/loader.h"

class HostScript {
public:
  // `liveProgress`: count the seconds of a waiting call on `err` (a terminal).
  HostScript(swm::Module& module, std::ostream& out, std::ostream& err, bool liveProgress)
      : module_(module), out_(out), progress_(err, liveProgress) {}

  // Runs every line until the end or `quit`; returns the number of calls that
  // failed (or could not be parsed).
  int Run(std::istream& in);
  // Runs one line; false when it failed.
  bool Execute(const std::string& line);
  // True after `quit` or `exit`.
  bool Quitting() const { return quitting_; }

  // The ID of a named driver, or -1.
  int DriverId(const std::string& name) const;
  std::vector<std::string> DriverNames() const;

private:
  bool Report(const std::string& call, uint32_t status, int id);
  bool Call(const std::vector<std::string>& words);
  bool CallDriver(const std::vector<std::string>& words);
  bool AskSimulatorAbout(const std::vector<std::string>& words);

  swm::Module& module_;
  std::ostream& out_;
  CallProgress progress_;
  std::map<std::string, uint16_t> drivers_;
  bool quitting_ = false;
};

// The event or request number of a name or a number; 0 when neither.
uint32_t ParseEvent(const std::string& word);
uint32_t ParseRequest(const std::string& word);
