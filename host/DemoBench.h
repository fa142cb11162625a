#pragma once
// The demo bench: a simulated Hubline unit in a swmsim process, a Hubline
// relay card driver configured from the INI file of the examples directory,
// taken through a short test; the relay states of the unit are printed after
// every step.
#include <ostream>
#include <string>

#include "swmatrix/loader.h"

struct DemoPaths {
  std::string simulator;  // the swmsim program
  std::string examples;   // the directory with hubline-demo.swmsim and hubline-demo.ini
};

// Runs the bench; returns the number of steps that failed.
int RunDemoBench(swm::Module& module, const DemoPaths& paths, std::ostream& out);

// The whole content of a file; empty when it cannot be read.
std::string FileText(const std::string& path);

// "  unit received: *IDN? S3:INT_RELAY_B_NO ..." for a "received NAME"
// control answer; empty when nothing was received.
std::string ReceivedCommands(const std::string& answer);

// The relay-state lines of a "state NAME" control answer ("ok {...}"), each
// "  S3 relay4 TQS4PA: A=NC ...", after a line with the unit's remote and
// keyboard-lock state; a note when the answer holds no state.
std::string RelayStateLines(const std::string& answer);
