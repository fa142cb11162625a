#include "sim/transport/FileLinks.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace sim::transport {

bool ReplaceSymlink(const std::string& target, const std::string& link, std::string* error) {
  struct stat status {};
  if (::lstat(link.c_str(), &status) == 0 && !S_ISLNK(status.st_mode)) {
    *error = "not a symbolic link, left alone: " + link;
    return false;
  }
  const std::string temporary = link + ".swmsim-" + std::to_string(::getpid());
  ::unlink(temporary.c_str());
  if (::symlink(target.c_str(), temporary.c_str()) != 0 ||
      ::rename(temporary.c_str(), link.c_str()) != 0) {
    *error = "cannot link " + link + ": " + std::strerror(errno);
    ::unlink(temporary.c_str());
    return false;
  }
  return true;
}

void RemoveSymlink(const std::string& link) {
  struct stat status {};
  if (::lstat(link.c_str(), &status) == 0 && S_ISLNK(status.st_mode)) ::unlink(link.c_str());
}

bool PathEntryExists(const std::string& path) {
  struct stat status {};
  return ::lstat(path.c_str(), &status) == 0;
}

bool IsDirectory(const std::string& path) {
  struct stat status {};
  return ::stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

void RemoveSocketFile(const std::string& path) {
  struct stat status {};
  if (::lstat(path.c_str(), &status) == 0 && S_ISSOCK(status.st_mode)) ::unlink(path.c_str());
}

}  // namespace sim::transport
