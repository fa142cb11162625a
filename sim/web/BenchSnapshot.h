#pragma once
// The bench as the web view shows it: every instrument's state (as the
// control socket's "state NAME" gives it) with its recent exchanges.
#include <nlohmann/json.hpp>

namespace sim {

class Simulator;

nlohmann::json BenchSnapshot(Simulator& simulator);

}  // namespace sim
