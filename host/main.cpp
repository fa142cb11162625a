// swmhost: stands in for the host application. Loads the module and runs a
// host script (a file, or standard input), an interactive prompt, or the demo.
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

#include "HostScript.h"

namespace {
std::string DefaultModulePath() {
  if (const char* env = std::getenv("SWMATRIX_MODULE")) return env;
  char self[4096];
  const ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
  if (length > 0) {
    std::string path(self, static_cast<size_t>(length));
    path = path.substr(0, path.rfind('/'));
    return path + "/../lib/libswmatrix.so";
  }
  return SWM_DEFAULT_MODULE;
}

int Usage() {
  std::cerr << "usage: swmhost [--module PATH] [run SCRIPT | -] \n"
               "       swmhost [--module PATH] demo\n"
               "       swmhost [--module PATH]          (interactive prompt)\n";
  return 2;
}

const char* kDemoScript = R"(# A debug switch matrix through a short test.
create debug DEBUGSWITCHMATRIX
version debug 2019.1.9
check debug
init debug
event debug InitialisationStarted
event debug FrequencyChanged 80
request debug InterlockClosed
event debug TestStopped
deinit debug
remove debug
)";
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
      std::istringstream demo(kDemoScript);
      return script.Run(demo) == 0 ? 0 : 1;
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
