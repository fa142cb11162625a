#include "SimulatorQuery.h"

#include <cstdlib>

#include "sim/core/ControlClient.h"
#include "sim/core/ControlDirectory.h"
#include "sim/core/WireText.h"

namespace {
// The control socket to ask, or empty with the reason.
std::string ControlSocket(std::string* error) {
  if (const char* path = std::getenv("SWMATRIX_SIM_CONTROL"); path && *path) return path;
  const std::vector<std::string> running = sim::RunningControlSockets();
  if (running.size() == 1) return running[0];
  *error = running.empty() ? "no simulator to ask: none runs in " + sim::ControlDirectory() +
                                 " and SWMATRIX_SIM_CONTROL (which 'swmsim --env' prints) is not set"
                           : std::to_string(running.size()) +
                                 " simulators are running: set SWMATRIX_SIM_CONTROL to the control socket of one";
  return "";
}
}  // namespace

SimulatorAnswer AskSimulator(const std::string& request) {
  SimulatorAnswer answer;
  const std::string path = ControlSocket(&answer.error);
  if (path.empty()) return answer;
  std::string line, error;
  if (!sim::SendControlRequest(path, request, &line, &error)) {
    answer.error = "the simulator's control socket " + path + " does not answer (" + error + ")";
    return answer;
  }
  if (line == "ok" || line.starts_with("ok ")) {
    answer.value = nlohmann::json::parse(line.size() > 3 ? line.substr(3) : "null", nullptr, false);
    answer.ok = !answer.value.is_discarded();
    if (!answer.ok) answer.error = "the simulator answered what is not JSON: " + line;
    return answer;
  }
  answer.error = "simulator: " + (line.starts_with("error ") ? line.substr(6) : line);
  return answer;
}

std::vector<std::string> ReceivedCommandTexts(const nlohmann::json& received) {
  std::vector<std::string> texts;
  if (!received.is_array()) return texts;
  for (const nlohmann::json& command : received) {
    if (!command.is_string()) continue;
    const std::optional<std::string> bytes = sim::Utf8ToBytes(command.get<std::string>());
    texts.push_back(bytes ? sim::EscapeBytes(*bytes) : command.get<std::string>());
  }
  return texts;
}
