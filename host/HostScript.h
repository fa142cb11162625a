#pragma once
// Runs host scripts: one export call per line, with named drivers and events
// and requests by name or number. Prints every call with its status and, for
// a failure, the text GetErrorString gives.
#include <istream>
#include <map>
#include <ostream>
#include <string>
#include <vector>

#include "swmatrix/loader.h"

class HostScript {
public:
  HostScript(swm::Module& module, std::ostream& out) : module_(module), out_(out) {}

  // Runs every line; returns the number of calls that failed (or could not be parsed).
  int Run(std::istream& in, bool interactive = false);
  // Runs one line; false when it failed.
  bool Execute(const std::string& line);

  // The ID of a named driver, or -1.
  int DriverId(const std::string& name) const;

private:
  bool Report(const std::string& call, uint32_t status, int id);
  bool Call(const std::vector<std::string>& words);

  swm::Module& module_;
  std::ostream& out_;
  std::map<std::string, uint16_t> drivers_;
};

// The event or request number of a name or a number; 0 when neither.
uint32_t ParseEvent(const std::string& word);
uint32_t ParseRequest(const std::string& word);
