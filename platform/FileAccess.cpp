#include "platform/FileAccess.h"

#include <fcntl.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <system_error>

namespace {
std::string Reason(const std::string& what, const std::string& path, int error) {
  return what + " '" + path + "': " + std::generic_category().message(error);
}

FileSignature SignatureOf(const struct stat& info) {
  FileSignature s;
  s.device = static_cast<uint64_t>(info.st_dev);
  s.inode = static_cast<uint64_t>(info.st_ino);
  s.size = static_cast<int64_t>(info.st_size);
  s.modifiedNanoseconds =
      static_cast<int64_t>(info.st_mtim.tv_sec) * 1'000'000'000 + info.st_mtim.tv_nsec;
  return s;
}

bool WriteAll(int fd, const std::string& content) {
  const char* data = content.data();
  size_t left = content.size();
  while (left > 0) {
    const ssize_t n = write(fd, data, left);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data += n;
    left -= static_cast<size_t>(n);
  }
  return true;
}

// The file a write must replace: the path itself, or the end of its chain of
// links; info describes it (errno is left from the failed lstat/stat when it
// does not exist).
bool ResolveTarget(const std::string& path, std::string* target, struct stat* info, bool* exists,
                   std::string* error) {
  *target = path;
  *exists = lstat(path.c_str(), info) == 0;
  if (!*exists || !S_ISLNK(info->st_mode)) return true;
  char resolved[PATH_MAX];
  if (!realpath(path.c_str(), resolved)) {
    *error = Reason("cannot resolve the link", path, errno);
    return false;
  }
  *target = resolved;
  *exists = stat(resolved, info) == 0;
  return true;
}

// A new, empty file next to target, opened for writing.
int CreateTemporaryNextTo(const std::string& target, mode_t mode, std::string* tempPath,
                          int* error) {
  static std::atomic<unsigned> counter{0};
  const size_t slash = target.rfind('/');
  const std::string dir = slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
  const std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
  for (int attempt = 0; attempt < 100; ++attempt) {
    *tempPath = dir + "." + base + "." + std::to_string(getpid()) + "." +
                std::to_string(counter.fetch_add(1)) + ".tmp";
    const int fd = open(tempPath->c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    if (fd >= 0) return fd;
    if (errno != EEXIST) break;
  }
  *error = errno;
  return -1;
}
}  // namespace

FileStatus StatFile(const std::string& path, FileSignature* signature, std::string* why) {
  struct stat info {};
  if (stat(path.c_str(), &info) != 0) {
    if (errno == ENOENT || errno == ENOTDIR) return FileStatus::Missing;
    if (why) *why = std::generic_category().message(errno);
    return FileStatus::Inaccessible;
  }
  if (!S_ISREG(info.st_mode)) {
    if (why) *why = S_ISDIR(info.st_mode) ? std::generic_category().message(EISDIR) : "not a regular file";
    return FileStatus::Inaccessible;
  }
  *signature = SignatureOf(info);
  return FileStatus::Regular;
}

bool MayChangeUnnoticed(const FileSignature& signature) {
  // Modification times come from a coarse clock (a few milliseconds per step);
  // 20 ms leaves a margin for the coarsest common setting.
  constexpr int64_t kGranularity = 20'000'000;
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  const int64_t nowNanoseconds = static_cast<int64_t>(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
  return nowNanoseconds - signature.modifiedNanoseconds < kGranularity;
}

bool ReadFileContents(const std::string& path, std::string* content, FileSignature* signature,
                      std::string* error) {
  // Non-blocking, so that a FIFO put in the file's place cannot hang the reader.
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) {
    *error = Reason("cannot open", path, errno);
    return false;
  }
  struct stat info {};
  if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    *error = "not a regular file: '" + path + "'";
    close(fd);
    return false;
  }
  content->clear();
  content->reserve(static_cast<size_t>(info.st_size));
  char chunk[65536];
  for (;;) {
    const ssize_t n = read(fd, chunk, sizeof chunk);
    if (n == 0) break;
    if (n < 0) {
      if (errno == EINTR) continue;
      *error = Reason("cannot read", path, errno);
      close(fd);
      return false;
    }
    content->append(chunk, static_cast<size_t>(n));
  }
  close(fd);
  *signature = SignatureOf(info);
  return true;
}

namespace {
// Writes content over an existing file and cuts it to that length, flushed
// to the disk before returning: for a file whose folder takes no new files.
bool WriteInPlace(const std::string& target, const std::string& content, FileSignature* signature,
                  std::string* error) {
  const int fd = open(target.c_str(), O_WRONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) {
    *error = Reason("cannot open for writing", target, errno);
    return false;
  }
  struct stat written {};
  bool ok = WriteAll(fd, content) && ftruncate(fd, static_cast<off_t>(content.size())) == 0 && fsync(fd) == 0 &&
            fstat(fd, &written) == 0;
  const int failure = errno;
  if (close(fd) != 0 && ok) ok = false;
  if (!ok) {
    *error = Reason("cannot write in place", target, failure);
    return false;
  }
  *signature = SignatureOf(written);
  return true;
}
}  // namespace

bool ReplaceFileContents(const std::string& path, const std::string& content,
                         FileSignature* signature, std::string* error) {
  std::string target;
  struct stat old {};
  bool exists = false;
  if (!ResolveTarget(path, &target, &old, &exists, error)) return false;
  if (exists) {
    if (!S_ISREG(old.st_mode)) {
      *error = "not a regular file: '" + target + "'";
      return false;
    }
    if ((old.st_mode & 0222) == 0 || access(target.c_str(), W_OK) != 0) {
      *error = "the file is read-only: '" + target + "'";
      return false;
    }
  } else if (errno != ENOENT) {
    *error = Reason("cannot examine", target, errno);
    return false;
  }

  // A new file gets the usual mode (0666 less the umask), a replacement the old one.
  const mode_t mode = exists ? (old.st_mode & 07777) : 0666;
  std::string tempPath;
  int openError = 0;
  const int fd = CreateTemporaryNextTo(target, mode, &tempPath, &openError);
  if (fd < 0) {
    // A folder that takes no new files (shared, or another user's) still
    // lets a writable file be written where it is.
    if (exists && (openError == EACCES || openError == EPERM || openError == EROFS))
      return WriteInPlace(target, content, signature, error);
    *error = Reason("cannot create a temporary file for", target, openError);
    return false;
  }
  bool ok = WriteAll(fd, content);
  int failure = ok ? 0 : errno;
  struct stat written {};
  if (ok && fstat(fd, &written) != 0) {
    ok = false;
    failure = errno;
  }
  if (ok && exists) {
    // The umask may have taken bits of the old mode; the owner is kept where permitted.
    if ((written.st_mode & 07777) != mode && fchmod(fd, mode) != 0) {
      ok = false;
      failure = errno;
    }
    if (ok && (old.st_uid != written.st_uid || old.st_gid != written.st_gid) &&
        fchown(fd, old.st_uid, old.st_gid) != 0) {
      // Not permitted: the new file belongs to us, which is all we can do.
    }
  }
  if (close(fd) != 0 && ok) {
    ok = false;
    failure = errno;
  }
  if (ok && rename(tempPath.c_str(), target.c_str()) != 0) {
    ok = false;
    failure = errno;
  }
  if (!ok) {
    unlink(tempPath.c_str());
    *error = Reason("cannot write", target, failure);
    return false;
  }
  *signature = SignatureOf(written);
  return true;
}

std::string CanonicalPath(const std::string& path) {
  char resolved[PATH_MAX];
  if (realpath(path.c_str(), resolved)) return resolved;
  const size_t slash = path.rfind('/');
  const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
  if (!realpath(folder.c_str(), resolved)) return path;
  return std::string(resolved) + (std::string(resolved) == "/" ? "" : "/") + path.substr(slash + 1);
}

bool MakePrivateDirectory(const std::string& path, std::string* error) {
  for (size_t slash = path.find('/', 1); slash != std::string::npos; slash = path.find('/', slash + 1)) {
    const std::string parent = path.substr(0, slash);
    if (mkdir(parent.c_str(), 0700) != 0 && errno != EEXIST) {
      *error = Reason("cannot create the folder", parent, errno);
      return false;
    }
  }
  if (mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) {
    *error = Reason("cannot create the folder", path, errno);
    return false;
  }
  struct stat info;
  if (lstat(path.c_str(), &info) != 0) {
    *error = Reason("cannot examine the folder", path, errno);
    return false;
  }
  if (!S_ISDIR(info.st_mode) || info.st_uid != geteuid()) {
    *error = "'" + path + "' is not a folder of this user";
    return false;
  }
  if ((info.st_mode & 077) != 0 && chmod(path.c_str(), 0700) != 0) {
    *error = Reason("cannot make the folder private", path, errno);
    return false;
  }
  return true;
}
