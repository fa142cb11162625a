#include "DemoBench.h"

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iostream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <vector>

#include "HostScript.h"
#include "SimulatorProcess.h"

namespace fs = std::filesystem;

std::string FileText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

std::string RelayStateLines(const std::string& answer) {
  if (answer.rfind("ok ", 0) != 0) return "  (no state: " + answer + ")\n";
  const nlohmann::json state = nlohmann::json::parse(answer.substr(3), nullptr, false);
  if (state.is_discarded() || !state.contains("instrument") || !state["instrument"].contains("summary"))
    return "  (no relay summary in the simulator's state)\n";
  const nlohmann::json& unit = state["instrument"];
  std::string lines = std::string("  unit: ") + (unit.value("remote", false) ? "remote" : "local") +
                      (unit.value("keyboard_locked", false) ? ", keyboard locked" : ", keyboard free") + "\n";
  for (const auto& line : unit["summary"])
    if (line.is_string()) lines += "  " + line.get<std::string>() + "\n";
  return lines;
}

std::string ReceivedCommands(const std::string& answer) {
  if (answer.rfind("ok ", 0) != 0) return "";
  const nlohmann::json commands = nlohmann::json::parse(answer.substr(3), nullptr, false);
  if (!commands.is_array() || commands.empty()) return "";
  std::string line = "  unit received:";
  for (const auto& command : commands)
    if (command.is_string()) line += " " + command.get<std::string>();
  return line + "\n";
}

namespace {
// A private directory for the simulator's sockets and ports and the saved INI file.
class ScratchDirectory {
public:
  ScratchDirectory() {
    std::string pattern = (fs::temp_directory_path() / "swmhost-demo-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("cannot create a scratch directory");
    path_ = pattern;
  }
  ~ScratchDirectory() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
  }
  const std::string& Path() const { return path_; }

private:
  std::string path_;
};

}  // namespace

int RunDemoBench(swm::Module& module, const DemoPaths& paths, std::ostream& out) {
  const std::string config = paths.examples + "/hubline-demo.swmsim";
  const std::string ini = paths.examples + "/hubline-demo.ini";
  ScratchDirectory scratch;
  SimulatorProcess simulator(paths.simulator, config, scratch.Path());
  // The driver finds the simulator's serial port COM1 in this directory.
  setenv("SWMATRIX_PORTS", simulator.PortsDirectory().c_str(), 1);
  out << "# simulator " << config << "\n" << simulator.Banner();

  // The saved file starts as a copy of the example, which stays untouched.
  const std::string saved = scratch.Path() + "/hubline-demo.ini";
  fs::copy_file(ini, saved);

  struct Step {
    std::string line;
    bool showRelays;
  };
  const std::vector<Step> steps{
      {"create hub HUBLINE4PORT", false},
      {"load hub \"" + ini + "\"", true},
      {"check hub", false},
      {"init hub", true},
      {"event hub InitialisationStarted", true},
      {"request hub InterlockClosed", false},
      {"event hub TestStopped", true},
      {"deinit hub", true},
      {"save hub \"" + saved + "\"", false},
      {"remove hub", false},
  };
  HostScript script(module, out, std::cerr, false);
  int failures = 0;
  for (const Step& step : steps) {
    if (!script.Execute(step.line)) ++failures;
    out << ReceivedCommands(simulator.Request("received hub"));
    simulator.Request("reset-log hub");
    if (step.showRelays) out << RelayStateLines(simulator.Request("state hub"));
  }
  out << "# saved configuration (" << saved << "):\n" << FileText(saved);
  return failures;
}
