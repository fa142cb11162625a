#include "platform/PrivateFiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <map>
#include <mutex>

namespace {
// A directory (not a link) of this user that nobody else may enter.
bool IsPrivateDirectory(const std::string& path) {
  struct stat info {};
  return lstat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == geteuid() &&
         (info.st_mode & 077) == 0;
}

std::string Variable(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

// Fresh folders made when the usual name was taken, per parent folder.
std::mutex freshLock;
std::map<std::string, std::string> freshFolders;

int WriteAll(int fd, const std::string& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return errno;
    done += static_cast<size_t>(n);
  }
  return 0;
}
}  // namespace

int PrivateDirectory(std::string* directory) {
  *directory = Variable("XDG_RUNTIME_DIR");
  if (!directory->empty() && IsPrivateDirectory(*directory)) return 0;
  std::string parent = Variable("TMPDIR");
  if (parent.empty()) parent = "/tmp";
  *directory = parent + "/swmatrix-" + std::to_string(geteuid());
  if (mkdir(directory->c_str(), 0700) != 0 && errno != EEXIST) return errno;
  if (IsPrivateDirectory(*directory)) return 0;
  std::lock_guard guard(freshLock);
  std::string& fresh = freshFolders[parent];
  if (fresh.empty() || !IsPrivateDirectory(fresh)) {
    std::string pattern = *directory + "-XXXXXX";
    if (!mkdtemp(pattern.data())) return errno;
    fresh = pattern;
  }
  *directory = fresh;
  return 0;
}

int ReplacePrivateFile(const std::string& directory, const std::string& name, const std::string& bytes) {
  std::string temporary = directory + "/." + name + ".XXXXXX";
  const int fd = mkostemp(temporary.data(), O_CLOEXEC);
  if (fd < 0) return errno;
  int error = WriteAll(fd, bytes);
  if (close(fd) != 0 && error == 0) error = errno;
  if (error == 0 && rename(temporary.c_str(), (directory + "/" + name).c_str()) != 0) error = errno;
  if (error != 0) unlink(temporary.c_str());
  return error;
}

int RemoveFile(const std::string& path) { return unlink(path.c_str()) == 0 || errno == ENOENT ? 0 : errno; }
