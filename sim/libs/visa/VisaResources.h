#pragma once
// Resource names of the simulated VISA library: the syntax of the names
// (interface type and number, resource class, the name in full), the VISA
// search expressions of viFindRsrc, and the resources there are (every
// instrument on swmsim's bus and every COMn link of $SWMATRIX_PORTS).
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace simlib::visa {

struct ParsedResource {
  uint16_t interfaceType = 0;  // 1 GPIB, 4 serial, 6 TCPIP
  uint16_t interfaceNumber = 0;
  std::string resourceClass;   // "INSTR", "SOCKET", "INTFC"
  std::string expanded;        // the name in full, e.g. TCPIP0::10.0.0.7::inst0::INSTR
};

// The parts of a name; nothing for a name that is not a GPIB, TCPIP or ASRL resource.
std::optional<ParsedResource> ParseResource(const std::string& name);
// Whether a VISA search expression ("?*::INSTR", "GPIB?*", "(GPIB|TCPIP)?*")
// matches the whole name, letter case ignored. An attribute part ("{...}")
// is not supported: the expression does not match.
bool MatchesExpression(const std::string& expression, const std::string& name);
// The resources the simulator offers; false when its bus cannot be reached.
bool ListResources(std::vector<std::string>* resources);

}  // namespace simlib::visa
