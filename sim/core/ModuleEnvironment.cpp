#include "sim/core/ModuleEnvironment.h"

#include <filesystem>

namespace sim {
namespace {
namespace fs = std::filesystem;

// Each simulated library and the variable through which the module loads it.
struct LibraryVariable {
  const char* file;
  const char* variable;
};
constexpr LibraryVariable kLibraries[] = {
    {"libgpib.so.0", "SWMATRIX_GPIB_LIBRARY"},    {"libvisa.so", "SWMATRIX_VISA_LIBRARY"},
    {"librsib.so", "SWMATRIX_RSIB_LIBRARY"},      {"libftd2xx.so", "SWMATRIX_FTD2XX_LIBRARY"},
    {"libmccuniversal.so", "SWMATRIX_MCC_LIBRARY"}, {"libadsapi.so", "SWMATRIX_ADVANTECH_LIBRARY"},
};

// Single-quoted for a POSIX shell.
std::string Quoted(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

std::string Export(const char* variable, const std::string& value) {
  return std::string("export ") + variable + "=" + Quoted(value) + "\n";
}

std::string Absolute(const std::string& path) {
  std::error_code ignored;
  const fs::path absolute = fs::absolute(path, ignored);
  return absolute.empty() ? path : absolute.lexically_normal().string();
}
}  // namespace

std::string SimulatedLibraryDirectory(const std::string& programDirectory, const std::string& installLibDir,
                                      std::vector<std::string>* tried) {
  for (const std::string& below : {std::string("lib/sim"), installLibDir + "/swmatrix/sim"}) {
    const std::string candidate = Absolute(programDirectory + "/../" + below);
    if (tried) tried->push_back(candidate);
    std::error_code ignored;
    if (fs::is_directory(candidate, ignored)) return candidate;
  }
  return "";
}

std::string ExportLines(const std::string& bus, const std::string& ports, const std::string& control,
                        const std::string& libraryDirectory) {
  std::string lines;
  if (!bus.empty()) lines += Export("SWMATRIX_SIM_BUS", Absolute(bus));
  if (!ports.empty()) lines += Export("SWMATRIX_PORTS", Absolute(ports));
  if (!control.empty()) lines += Export("SWMATRIX_SIM_CONTROL", Absolute(control));
  for (const auto& [variable, path] : LibraryVariables(libraryDirectory)) lines += Export(variable.c_str(), path);
  return lines;
}

std::vector<std::pair<std::string, std::string>> LibraryVariables(const std::string& libraryDirectory) {
  std::vector<std::pair<std::string, std::string>> found;
  for (const LibraryVariable& library : kLibraries) {
    const std::string path = libraryDirectory + "/" + library.file;
    std::error_code ignored;
    if (fs::exists(path, ignored)) found.emplace_back(library.variable, path);
  }
  return found;
}

}  // namespace sim
