#pragma once
// What a host script asks the simulator its bench runs against (`received`,
// `state`): the simulator whose control socket $SWMATRIX_SIM_CONTROL names
// (`swmsim --env` prints it), else the only one running without a control
// path of its own.
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

struct SimulatorAnswer {
  bool ok = false;
  nlohmann::json value;  // when ok
  std::string error;     // else: why, for people
};

SimulatorAnswer AskSimulator(const std::string& request);

// The commands an instrument received, escaped as `swmsim ctl received`
// prints them (\n, \r, \xNN).
std::vector<std::string> ReceivedCommandTexts(const nlohmann::json& received);
