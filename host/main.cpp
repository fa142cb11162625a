// swmhost: stands in for the host application. Loads the module and runs a
// host script (a file, or standard input), an interactive prompt, or the demo.
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "sim/core/ModuleEnvironment.h"
#include "DemoBench.h"
#include "HostNames.h"
#include "HostScript.h"
#include "Lint.h"
#include "LineEditor.h"
#include "PromptCompletion.h"
#include "ScriptExpectations.h"
#include "TypeKeys.h"
#include "swmatrix/version.h"

namespace {
// The directory of this program, empty when it cannot be found.
std::string ProgramDirectory() {
  char self[4096];
  const ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
  if (length <= 0) return "";
  const std::string path(self, static_cast<size_t>(length));
  return path.substr(0, path.rfind('/'));
}

bool Exists(const std::string& path) { return std::filesystem::exists(path); }

// The module beside the program: ../lib in the build tree or a plain install,
// ../lib/<multiarch> in a system install; else the one the dynamic linker finds.
std::string DefaultModulePath() {
  if (const char* env = std::getenv("SWMATRIX_MODULE")) return env;
  const std::string directory = ProgramDirectory();
  for (const char* lib : {"/../lib/", "/../" SWM_INSTALL_LIBDIR "/"})
    if (!directory.empty() && Exists(directory + lib + "libswmatrix.so.0"))
      return std::filesystem::path(directory + lib + "libswmatrix.so.0").lexically_normal().string();
  return "libswmatrix.so.0";
}

// The demo runs against the simulator only: every simulated library beside
// the program (build tree or install) is the one the module loads, unless the
// user chose another.
void UseSimulatedLibraries() {
  const std::string directory = sim::SimulatedLibraryDirectory(ProgramDirectory(), SWM_INSTALL_LIBDIR, nullptr);
  if (directory.empty()) return;
  for (const auto& [variable, path] : sim::LibraryVariables(directory)) setenv(variable.c_str(), path.c_str(), 0);
}

// A path without "dir/.." steps, as people write it.
std::string Tidy(const std::string& path) { return std::filesystem::path(path).lexically_normal().string(); }

// The examples installed beside the program, else those of the source tree.
std::string ExamplesDirectory() {
  const std::string installed = Tidy(ProgramDirectory() + "/../share/swmatrix/examples");
  return Exists(installed) ? installed : SWM_EXAMPLES_DIR;
}

const char* kUsage =
    "usage: swmhost [--module PATH] run [--check] SCRIPT|-\n"
    "       swmhost [--module PATH] dialog KEY [INI]\n"
    "       swmhost [--module PATH] demo [EXAMPLES_DIR]\n"
    "       swmhost [--module PATH] keys\n"
    "       swmhost [--module PATH] lint [--connect] KEY FILE...\n"
    "       swmhost events\n"
    "       swmhost [--module PATH]          (interactive prompt, type 'help')\n"
    "       swmhost --help | --version\n"
    "Drives the swmatrix module as a host application does (see swmhost(1)).\n"
    "  run      run a host script, one export call per line ('-' reads standard input);\n"
    "           --check: then check its '# expect' lines\n"
    "  dialog   show the configuration dialog of a driver of type KEY, saving INI\n"
    "  demo     drive a simulated Hubline switch unit through a test\n"
    "  lint     check INI files for a driver of type KEY: keys it does not read, values it does not\n"
    "           take, ports, boards, libraries and programs missing here (--connect: CheckDevice too)\n"
    "  keys     list the device type keys that create a driver, with their class and swmsim family\n"
    "  events   list the host events and requests by number and name, with their values\n"
    "  --module the module to load (default $SWMATRIX_MODULE, else the installed one)\n";

std::string HexStatus(uint32_t status) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(status));
  return text;
}

int Usage() {
  std::cerr << "swmhost: wrong arguments (try 'swmhost --help')\n";
  return 2;
}

// Every type key that creates a driver in this module, with the driver's
// class and the simulator family of its instrument.
int ListKeys(swm::Module& module) {
  for (const CreatableKey& key : CreatableKeys(module))
    std::cout << key.key << "\t" << key.driverClass << "\t" << key.family << "\n";
  return 0;
}

// The interactive prompt: line editing, history and completion on a terminal.
int RunPrompt(HostScript& script, swm::Module& module) {
  std::vector<std::string> keys;
  CompletionSources sources{[&script] { return script.DriverNames(); },
                            [&] {
                              if (keys.empty())
                                for (const CreatableKey& key : CreatableKeys(module)) keys.push_back(key.key);
                              return keys;
                            }};
  LineEditor editor(DefaultHistoryFile(), [&sources](const std::vector<std::string>& before, const std::string& word) {
    return CompleteWord(before, word, sources);
  });
  int failures = 0;
  while (!script.Quitting()) {
    const std::optional<std::string> line = editor.ReadLine("swmhost> ");
    if (!line) {
      std::cout << "\n";
      break;
    }
    if (!script.Execute(*line)) ++failures;
  }
  return failures;
}


// What the driver would save, written over a copy of the INI file.
std::string SavedText(swm::Module& module, uint16_t id, const std::string& ini, const std::string& scratch) {
  std::ofstream(scratch, std::ios::binary) << FileText(ini);
  module.SaveConfiguration(0, id, scratch.c_str());
  return FileText(scratch);
}

// Creates the driver, loads the INI file, shows the driver's dialog and saves
// the file back when the dialog changed something.
int ConfigureInDialog(swm::Module& module, const std::string& key, const std::string& ini) {
  uint16_t id = 0;
  uint32_t status = module.CreateNewDeviceDriver(0, key.c_str(), &id);
  if (status != 0) {
    std::cout << "create " << key << " -> " << HexStatus(status) << "\n";
    return 1;
  }
  const std::string scratch = (std::filesystem::temp_directory_path() /
                               ("swmhost-dialog-" + std::to_string(getpid()) + ".ini")).string();
  std::string before;
  if (!ini.empty()) {
    status = module.LoadConfiguration(0, id, ini.c_str());
    if (status == 0) before = SavedText(module, id, ini, scratch);
  }
  if (status == 0) status = module.ShowConfigurationDialog(0, id);
  if (status == 0 && !ini.empty() && SavedText(module, id, ini, scratch) != before) {
    status = module.SaveConfiguration(0, id, ini.c_str());
    if (status == 0) std::cout << "saved " << ini << "\n";
  }
  std::filesystem::remove(scratch);
  if (status != 0)
    std::cout << "dialog " << key << " -> " << HexStatus(status) << " \"" << module.ErrorText(id, status) << "\"\n";
  module.RemoveDeviceDriver(0, id);
  return status == 0 ? 0 : 1;
}
// The whole script of a file, or of standard input for "-"; false with a
// message when it cannot be read.
bool ReadScript(const char* path, std::string* text) {
  if (std::strcmp(path, "-") == 0) {
    std::ostringstream all;
    all << std::cin.rdbuf();
    *text = all.str();
    return true;
  }
  // A directory opens like a file and reads as nothing: say what it is.
  errno = std::filesystem::is_directory(path) ? EISDIR : 0;
  std::ifstream file;
  if (errno == 0) file.open(path, std::ios::binary);
  if (!file.is_open()) {
    std::cerr << "swmhost: cannot read " << path << ": " << std::strerror(errno ? errno : EIO) << "\n";
    return false;
  }
  std::ostringstream all;
  all << file.rdbuf();
  *text = all.str();
  return true;
}

// Runs a script, then checks its "# expect" lines; succeeds when every call
// and every expectation did. A script that expects nothing checks nothing:
// that fails too.
int RunChecked(swm::Module& module, const std::string& text, const std::string& name) {
  const std::vector<Expectation> expectations = ExpectationsOf(text);
  if (expectations.empty()) {
    std::cerr << "swmhost: " << name << " checks nothing (no '# expect' line; see swmhost(1))\n";
    return 1;
  }
  CopyingBuffer copying(std::cout.rdbuf());
  std::ostream out(&copying);
  HostScript script(module, out, std::cerr, isatty(2) == 1);
  std::istringstream lines(text);
  const int failedCalls = script.Run(lines);
  out.flush();
  const int failedExpectations = CheckExpectations(expectations, copying.Copy(), std::cout);
  if (failedCalls || failedExpectations)
    std::cout << "check: " << failedCalls << " calls and " << failedExpectations << " of " << expectations.size()
              << " expectations failed\n";
  return failedCalls || failedExpectations ? 1 : 0;
}
}  // namespace

int main(int argc, char** argv) {
  std::string modulePath = DefaultModulePath();
  int i = 1;
  if (i < argc && std::strcmp(argv[i], "--help") == 0) return std::cout << kUsage, 0;
  if (i < argc && std::strcmp(argv[i], "--version") == 0)
    return std::cout << "swmhost (swmatrix) " SWMATRIX_VERSION "\n", 0;
  if (i < argc && std::strcmp(argv[i], "--module") == 0) {
    if (i + 1 >= argc) return Usage();
    modulePath = argv[i + 1];
    i += 2;
  }
  const std::string command = i < argc ? argv[i++] : "";
  if (command == "events") return ListEventsAndRequests(std::cout), 0;
  if (!command.empty() && command != "demo" && command != "dialog" && command != "run" && command != "keys" &&
      command != "lint") {
    std::cerr << "swmhost: unknown " << (command[0] == '-' ? "option" : "command") << " '" << command
              << "' (try 'swmhost --help')\n";
    return 2;
  }
  try {
    swm::Module module(modulePath);
    HostScript script(module, std::cout, std::cerr, isatty(2) == 1);
    if (command == "keys") return ListKeys(module);
    if (command == "lint") return RunLint(module, std::vector<std::string>(argv + i, argv + argc), std::cout, std::cerr);
    if (command == "demo") {
      setenv("SWMATRIX_MESSAGEBOX", "ok", 0);
      UseSimulatedLibraries();
      const DemoPaths paths{ProgramDirectory() + "/swmsim", i < argc ? argv[i] : ExamplesDirectory()};
      return RunDemoBench(module, paths, std::cout) == 0 ? 0 : 1;
    }
    if (command == "dialog") {
      if (i >= argc) return Usage();
      return ConfigureInDialog(module, argv[i], i + 1 < argc ? argv[i + 1] : "");
    }
    if (command == "run") {
      const bool check = i < argc && std::strcmp(argv[i], "--check") == 0;
      if (check) ++i;
      if (i + 1 != argc) return Usage();
      if (!check && std::strcmp(argv[i], "-") == 0) return script.Run(std::cin) == 0 ? 0 : 1;
      std::string text;
      if (!ReadScript(argv[i], &text)) return 2;
      if (!check) {
        std::istringstream lines(text);
        return script.Run(lines) == 0 ? 0 : 1;
      }
      return RunChecked(module, text, argv[i]);
    }
    if (command.empty() && isatty(0)) return RunPrompt(script, module) == 0 ? 0 : 1;
    if (command.empty()) return script.Run(std::cin) == 0 ? 0 : 1;
    return Usage();
  } catch (const std::exception& error) {
    std::cerr << "swmhost: " << error.what() << "\n";
    return 2;
  }
}
