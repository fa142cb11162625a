#pragma once
// The environment that points the module (and any program using the vendor
// libraries) at a running simulator: its bus socket, its ports directory and
// the simulated vendor libraries that belong to this swmsim. Printed as
// shell lines by "swmsim --env".
#include <string>
#include <utility>
#include <vector>

namespace sim {

// The directory of the simulated vendor libraries that belong to the program
// in programDirectory: lib/sim in the build tree, LIBDIR/swmatrix/sim in an
// install (also below a DESTDIR). Empty when neither exists; every place
// looked at in tried.
std::string SimulatedLibraryDirectory(const std::string& programDirectory, const std::string& installLibDir,
                                      std::vector<std::string>* tried);

// Each simulated library found in libraryDirectory, as the variable through
// which the module loads it and the library's path.
std::vector<std::pair<std::string, std::string>> LibraryVariables(const std::string& libraryDirectory);

// "export NAME='VALUE'" lines: SWMATRIX_SIM_BUS, SWMATRIX_PORTS and
// SWMATRIX_SIM_CONTROL (the control socket, which swmhost's `received` and
// `state` ask) when given (made absolute), then SWMATRIX_<API>_LIBRARY for
// every simulated library found in libraryDirectory.
std::string ExportLines(const std::string& bus, const std::string& ports, const std::string& control,
                        const std::string& libraryDirectory);

}  // namespace sim
