// swmhost: stands in for the host application. Loads the module and runs a
// host script (a file, or standard input), an interactive prompt, or the demo.
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>

#include "DemoBench.h"
#include "HostScript.h"

namespace {
// The directory of this program, empty when it cannot be found.
std::string ProgramDirectory() {
  char self[4096];
  const ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
  if (length <= 0) return "";
  const std::string path(self, static_cast<size_t>(length));
  return path.substr(0, path.rfind('/'));
}

std::string DefaultModulePath() {
  if (const char* env = std::getenv("SWMATRIX_MODULE")) return env;
  const std::string directory = ProgramDirectory();
  return directory.empty() ? SWM_DEFAULT_MODULE : directory + "/../lib/libswmatrix.so";
}

int Usage() {
  std::cerr << "usage: swmhost [--module PATH] run SCRIPT|-\n"
               "       swmhost [--module PATH] dialog KEY [INI]\n"
               "       swmhost [--module PATH] demo [EXAMPLES_DIR]\n"
               "       swmhost [--module PATH]          (interactive prompt)\n";
  return 2;
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
    std::cout << "create " << key << " -> 0x" << std::hex << status << std::dec << "\n";
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
  if (status != 0) std::cout << "dialog " << key << " -> " << module.ErrorText(id, status) << "\n";
  module.RemoveDeviceDriver(0, id);
  return status == 0 ? 0 : 1;
}
}  // namespace

int main(int argc, char** argv) {
  std::string modulePath = DefaultModulePath();
  int i = 1;
  if (i + 1 < argc && std::strcmp(argv[i], "--module") == 0) {
    modulePath = argv[i + 1];
    i += 2;
  }
  const std::string command = i < argc ? argv[i++] : "";
  try {
    swm::Module module(modulePath);
    HostScript script(module, std::cout);
    if (command == "demo") {
      setenv("SWMATRIX_MESSAGEBOX", "ok", 0);
      const DemoPaths paths{ProgramDirectory() + "/swmsim", i < argc ? argv[i] : SWM_EXAMPLES_DIR};
      return RunDemoBench(module, paths, std::cout) == 0 ? 0 : 1;
    }
    if (command == "dialog") {
      if (i >= argc) return Usage();
      return ConfigureInDialog(module, argv[i], i + 1 < argc ? argv[i + 1] : "");
    }
    if (command == "run") {
      if (i >= argc) return Usage();
      if (std::strcmp(argv[i], "-") == 0) return script.Run(std::cin) == 0 ? 0 : 1;
      std::ifstream file(argv[i]);
      if (!file) {
        std::cerr << "swmhost: cannot read " << argv[i] << "\n";
        return 2;
      }
      return script.Run(file) == 0 ? 0 : 1;
    }
    if (command.empty()) return script.Run(std::cin, isatty(0)) == 0 ? 0 : 1;
    return Usage();
  } catch (const std::exception& error) {
    std::cerr << "swmhost: " << error.what() << "\n";
    return 2;
  }
}
