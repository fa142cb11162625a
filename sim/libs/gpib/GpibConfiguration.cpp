#include "sim/libs/gpib/GpibConfiguration.h"

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace simlib {

GpibBoards ReadGpibConfiguration() {
  const char* path = std::getenv("IB_CONFIG");
  if (!path || !*path) return {{0, "violet"}, {1, ""}, {2, ""}, {3, ""}};
  std::ifstream file(path);
  std::stringstream text;
  text << file.rdbuf();
  return gpibconf::Parse(text.str());
}

}  // namespace simlib
