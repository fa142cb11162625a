#include "sim/core/ControlClient.h"

#include "sim/transport/Sockets.h"

namespace sim {

bool SendControlRequest(const std::string& path, const std::string& request, std::string* answer,
                        std::string* error, int timeoutMs) {
  transport::FileDescriptor fd = transport::ConnectUnix(path, error);
  if (!fd.Valid()) return false;
  if (!transport::WriteAll(fd.Get(), request + "\n")) {
    *error = "cannot send to " + path;
    return false;
  }
  if (!transport::ReadLine(fd.Get(), timeoutMs, answer)) {
    *error = "no answer from " + path;
    return false;
  }
  return true;
}

}  // namespace sim
