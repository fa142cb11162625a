#include "sim/transport/FileDescriptor.h"

#include <unistd.h>

namespace sim::transport {

void FileDescriptor::Reset(int fd) {
  if (fd_ >= 0) ::close(fd_);
  fd_ = fd;
}

}  // namespace sim::transport
