// swmsim: the instrument simulator. Starts the instruments of a
// configuration file, prints where each can be reached, and serves them
// until stopped (control request "stop", SIGINT or SIGTERM). "swmsim ctl"
// sends one control request to a running simulator.
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <iostream>
#include <nlohmann/json.hpp>
#include <string>
#include <thread>
#include <vector>

#include "sim/core/ConfigFile.h"
#include "sim/core/ControlClient.h"
#include "sim/core/ControlDirectory.h"
#include "sim/core/ModuleEnvironment.h"
#include "sim/core/Simulator.h"
#include "sim/core/StateDump.h"
#include "sim/core/WireText.h"
#include "sim/replay/ReplayInstrument.h"
#include "sim/transport/Signals.h"
#include "sim/web/WebView.h"
#include "swmatrix/version.h"

namespace {

const char* kUsage =
    "usage: swmsim --config FILE [--control PATH] [--bus PATH] [--ports DIR] [--web PORT]\n"
    "              [--check | --env]\n"
    "       swmsim ctl [PATH] REQUEST...   (try: swmsim ctl help)\n"
    "       swmsim --help | --version\n"
    "Simulated instruments for the swmatrix module (see swmsim(1)).\n"
    "  --config FILE   the instruments to start\n"
    "  --control PATH  serve control requests on this socket (default: one that 'swmsim ctl' finds)\n"
    "  --bus PATH      serve the simulated vendor libraries on this socket\n"
    "  --ports DIR     link serial instruments as COMn here (default $SWMATRIX_PORTS)\n"
    "  --web PORT      serve the live view of the bench on 127.0.0.1:PORT (0: a free port)\n"
    "  --check         only read and check the file\n"
    "  --env           print the export lines that point the module at this\n"
    "                  simulator's bus, ports, control socket and simulated libraries\n";

int Usage(const std::string& why = "wrong arguments") {
  std::cerr << "swmsim: " << why << " (try 'swmsim --help')\n";
  return 2;
}

// The socket that "swmsim ctl" talks to: the first argument when it names
// one (it has a '/' or a '.', which no request has, or is a socket file),
// else that of the only simulator running without a control path of its own.
// Empty with a message when none or several run.
std::string ControlSocket(const std::string& first, bool* firstIsPath, std::string* error) {
  std::error_code ignored;
  *firstIsPath = first.find_first_of("/.") != std::string::npos || std::filesystem::is_socket(first, ignored);
  if (*firstIsPath) return first;
  const std::vector<std::string> running = sim::RunningControlSockets();
  if (running.size() == 1) return running[0];
  if (running.empty()) {
    *error = "no running simulator found in " + sim::ControlDirectory() + " (give the control socket's path)";
  } else {
    *error = std::to_string(running.size()) + " simulators are running; give the control socket's path:";
    for (const std::string& path : running) *error += " " + path;
  }
  return "";
}

int RunControl(int argc, char** argv) {
  if (argc < 3) return Usage();
  bool firstIsPath = false;
  std::string error;
  const std::string path = ControlSocket(argv[2], &firstIsPath, &error);
  const int first = firstIsPath ? 3 : 2;
  if (first >= argc) return Usage();
  if (path.empty()) {
    std::cerr << "swmsim: " << error << "\n";
    return 2;
  }
  std::string request = argv[first];
  for (int i = first + 1; i < argc; ++i) request += std::string(" ") + argv[i];
  std::string answer;
  if (!sim::SendControlRequest(path, request, &answer, &error)) {
    // A path given by the user: say that nothing serves it, not where else we looked.
    if (firstIsPath) error = "the control socket " + path + " does not answer (" + error + "): is its simulator running?";
    std::cerr << "swmsim: " << error << "\n";
    return 2;
  }
  if (answer == "ok") return 0;
  if (!answer.starts_with("ok ")) {
    std::cerr << "swmsim: " << answer << "\n";
    return 1;
  }
  const nlohmann::json value = nlohmann::json::parse(answer.substr(3), nullptr, false);
  if (value.is_discarded()) {
    std::cout << answer.substr(3) << "\n";
  } else if (value.is_string()) {
    const std::string text = value.get<std::string>();
    const std::optional<std::string> bytes = sim::Utf8ToBytes(text);
    std::cout << (bytes ? sim::EscapeBytes(*bytes) : text) << "\n";
  } else {
    std::cout << sim::RenderForPeople(value);
  }
  return 0;
}

struct Options {
  std::string config, control, bus, ports, web;
  bool check = false;
  bool env = false;
};

// Empty when the options are complete, else what is wrong with them.
std::string ParseOptions(int argc, char** argv, Options* options) {
  for (int i = 1; i < argc; ++i) {
    const std::string option = argv[i];
    if (option == "--check" || option == "--env") {
      (option == "--check" ? options->check : options->env) = true;
      continue;
    }
    std::string* value = option == "--config"    ? &options->config
                         : option == "--control" ? &options->control
                         : option == "--bus"     ? &options->bus
                         : option == "--ports"   ? &options->ports
                         : option == "--web"     ? &options->web
                                                 : nullptr;
    if (!value) return "unknown option '" + option + "'";
    if (i + 1 >= argc) return "option '" + option + "' needs a value";
    *value = argv[++i];
  }
  if (options->check && options->env) return "--check and --env exclude each other";
  return options->config.empty() && !options->env ? "no --config FILE given" : "";
}

// The directory of this program, "." when it cannot be found.
std::string ProgramDirectory() {
  std::error_code error;
  const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
  return error ? std::string(".") : self.parent_path().string();
}

int PrintEnvironment(const sim::SimulatorConfig& config) {
  std::vector<std::string> tried;
  const std::string libraries = sim::SimulatedLibraryDirectory(ProgramDirectory(), SWM_INSTALL_LIBDIR, &tried);
  if (libraries.empty()) {
    std::cerr << "swmsim: no simulated libraries in " << tried.front() << " or " << tried.back() << "\n";
    return 1;
  }
  std::cout << sim::ExportLines(config.busPath, config.portsDirectory, config.controlPath, libraries);
  if (config.web >= 0)
    std::cout << "# web view: http://127.0.0.1:" << (config.web ? std::to_string(config.web) : "PORT")
              << "/?token=... (the address with this run's token is on swmsim's 'web' line)\n";
  return 0;
}

// A replayed instrument that meets a command its capture never saw says so
// on the output at once (the rest is in `swmsim ctl state NAME`).
void ReportUnmatched(sim::Instrument& instrument) {
  instrument.Access<sim::ReplayInstrument>([name = instrument.Name()](sim::ReplayInstrument& replay) {
    replay.OnFirstUnmatched([name](const std::string& line) { std::cout << "unmatched " << name << " " << line << std::endl; });
  });
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 2 && std::strcmp(argv[1], "--help") == 0) return std::cout << kUsage, 0;
  if (argc >= 2 && std::strcmp(argv[1], "--version") == 0)
    return std::cout << "swmsim (swmatrix) " SWMATRIX_VERSION "\n", 0;
  if (argc >= 2 && std::strcmp(argv[1], "ctl") == 0) return RunControl(argc, argv);
  Options options;
  if (const std::string wrong = ParseOptions(argc, argv, &options); !wrong.empty()) return Usage(wrong);
  sim::SimulatorConfig config;
  std::string error;
  if (!options.config.empty() && !sim::LoadConfigFile(options.config, &config, &error)) {
    std::cerr << "swmsim: " << error << "\n";
    return 2;
  }
  if (options.check) {
    std::cout << "ok " << config.instruments.size() << " instruments\n";
    return 0;
  }
  if (!options.web.empty()) {
    int port = -1;
    const char* end = options.web.data() + options.web.size();
    if (std::from_chars(options.web.data(), end, port).ptr != end || port < 0 || port > 65535)
      return Usage("bad --web port '" + options.web + "' (0 to 65535)");
    config.web = port;
  }
  if (!options.bus.empty()) config.busPath = options.bus;
  if (!options.ports.empty()) config.portsDirectory = options.ports;
  if (config.portsDirectory.empty())
    if (const char* ports = std::getenv("SWMATRIX_PORTS")) config.portsDirectory = ports;
  if (!options.control.empty()) config.controlPath = options.control;
  if (options.env) return PrintEnvironment(config);
  // Without a path of its own, the control socket goes where "swmsim ctl" looks.
  const bool ownControlPath = config.controlPath.empty();
  if (ownControlPath) {
    config.controlPath = sim::OwnControlPath(&error);
    if (config.controlPath.empty()) {
      std::cerr << "swmsim: " << error << "\n";
      return 1;
    }
  }

  sim::transport::BlockTerminationSignals();  // before any thread starts
  sim::Simulator simulator;
  simulator.SetPortsDirectory(config.portsDirectory);
  simulator.SetBoardAddress(config.boardAddress);
  auto fail = [](const std::string& what) {
    std::cerr << "swmsim: " << what << "\n";
    return 1;
  };
  if (!config.busPath.empty()) {
    error = simulator.ListenBus(config.busPath);
    if (!error.empty()) return fail(error);
  }
  for (const auto& section : config.instruments) {
    sim::Instrument* instrument = simulator.Add(section.name, section.entries, &error);
    if (!instrument) return fail(options.config + ": " + error);
    std::cout << "ready " << instrument->Name() << " " << sim::TransportName(instrument->Transport())
              << " " << instrument->Endpoint().Describe() << "\n";
    if (instrument->FamilyName() == "replay") ReportUnmatched(*instrument);
  }
  if (config.portmapper >= 0) {
    error = simulator.ListenPortmapper(static_cast<uint16_t>(config.portmapper));
    if (!error.empty()) return fail(error);
    std::cout << "portmapper 127.0.0.1:" << simulator.PortmapperPort() << "\n";
  }
  if (!config.controlPath.empty()) {
    error = simulator.ListenControl(config.controlPath);
    if (!error.empty()) return fail(error);
    std::cout << "control " << config.controlPath << "\n";
  }
  if (!config.busPath.empty()) std::cout << "bus " << config.busPath << "\n";
  // Declared after the simulator: it stops before the instruments it shows go.
  std::unique_ptr<sim::WebView> web;
  if (config.web >= 0) {
    web = std::make_unique<sim::WebView>(simulator);
    error = web->Listen(static_cast<uint16_t>(config.web));
    if (!error.empty()) return fail(error);
    std::cout << "web " << web->Address() << "\n";
  }
  std::cout << "running" << std::endl;

  std::thread signals([&simulator] {
    sim::transport::WaitForTerminationSignal();
    simulator.RequestStop();
  });
  simulator.Wait();
  // Stopped by a control request: release the signal thread the same way a signal would.
  sim::transport::SendTerminationSignalToSelf();
  signals.join();
  return 0;
}
