#pragma once
// The simulator's configuration file: INI-like sections of "key = value"
// lines. "[simulator]" holds the common places, each "[instrument NAME]" one
// instrument. Described in docs/simulator.md.
#include <string>
#include <string_view>
#include <vector>

#include "sim/core/InstrumentSettings.h"

namespace sim {

struct SimulatorConfig {
  struct InstrumentSection {
    std::string name;
    int line = 0;
    ConfigEntries entries;
  };
  std::string portsDirectory;
  std::string controlPath;
  std::string busPath;
  int boardAddress = 0;
  int portmapper = -1;  // the portmapper's port, -1 for none
  int web = -1;         // the web view's port, -1 for none
  std::vector<InstrumentSection> instruments;
};

// Parses the text; on failure returns false with "SOURCE:LINE: what is wrong".
// Every instrument is checked as well (family, transport and keys), without opening anything.
bool ParseConfig(std::string_view text, const std::string& source, SimulatorConfig* config,
                 std::string* error);
bool LoadConfigFile(const std::string& path, SimulatorConfig* config, std::string* error);

}  // namespace sim
