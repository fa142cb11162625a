#include "sim/core/ControlDirectory.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <filesystem>

#include "sim/transport/Sockets.h"

namespace sim {

std::string ControlDirectory() {
  if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime)
    return std::string(runtime) + "/swmatrix";
  return "/tmp/swmatrix-" + std::to_string(::getuid());
}

std::string OwnControlPath(std::string* error) {
  const std::string directory = ControlDirectory();
  if (::mkdir(directory.c_str(), 0700) != 0 && errno != EEXIST) {
    *error = "cannot make " + directory;
    return "";
  }
  struct stat status {};
  if (::lstat(directory.c_str(), &status) != 0 || !S_ISDIR(status.st_mode) || status.st_uid != ::getuid() ||
      (status.st_mode & 077) != 0) {
    *error = directory + " is not a directory of this user alone";
    return "";
  }
  return directory + "/swmsim-" + std::to_string(::getpid()) + ".ctl";
}

std::vector<std::string> RunningControlSockets() {
  std::vector<std::string> running;
  std::error_code ignored;
  for (const auto& entry : std::filesystem::directory_iterator(ControlDirectory(), ignored)) {
    const std::string name = entry.path().filename().string();
    if (name.rfind("swmsim-", 0) != 0 || !name.ends_with(".ctl") || !entry.is_socket(ignored)) continue;
    std::string error;
    if (transport::ConnectUnix(entry.path().string(), &error).Valid())
      running.push_back(entry.path().string());
    else
      std::filesystem::remove(entry.path(), ignored);
  }
  std::sort(running.begin(), running.end());
  return running;
}

}  // namespace sim
