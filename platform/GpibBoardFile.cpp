#include "platform/GpibBoardFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>

int GpibBoardOpenError(int board) {
  const char* directory = std::getenv("SWMATRIX_GPIB_DEVICES");
  const bool named = directory && *directory;
  const std::string path = std::string(named ? directory : "/dev") + "/gpib" + std::to_string(board);
  const int fd = open(path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
  if (fd >= 0) {
    close(fd);
    return 0;
  }
  const int error = errno;
  return error == ENOENT && !named ? 0 : error;
}
