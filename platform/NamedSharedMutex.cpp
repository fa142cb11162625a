#include "platform/NamedSharedMutex.h"

#include <fcntl.h>
#include <grp.h>
#include <pthread.h>
#include <pwd.h>
#include <sched.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

// The shared page. `state` holds the phase in its upper half and, while
// initialising, the initialising process's ID in its lower half. A fresh
// object reads as zeros (ftruncate fills with zeros), so the phase is Fresh.
struct NamedSharedMutex::SharedBlock {
  std::atomic<uint64_t> state;
  pthread_mutex_t mutex;
};

namespace {
constexpr uint64_t kFresh = 0, kInitialising = 1, kReady = 2;
constexpr uint64_t Phase(uint64_t state) { return state >> 32; }
constexpr uint64_t StateOf(uint64_t phase, uint32_t pid) { return phase << 32 | pid; }
static_assert(std::atomic<uint64_t>::is_always_lock_free, "the shared state must be address-free");

// How long an opener waits for another process to finish initialising.
constexpr int kInitialisationWaitMilliseconds = 5000;

bool ProcessGone(uint32_t pid) { return kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH; }

bool KeptInObjectName(unsigned char c) {
  if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')) return true;
  switch (c) {
    case '.': case '_': case '-': case ':': case '@': case '+': case ',': case '=': return true;
    default: return false;
  }
}

uint64_t Fnv1a(const std::string& text) {
  uint64_t hash = 0xcbf29ce484222325ull;
  for (unsigned char c : text) hash = (hash ^ c) * 0x100000001b3ull;
  return hash;
}

timespec DeadlineAfter(uint32_t milliseconds) {
  timespec deadline{};
  clock_gettime(CLOCK_MONOTONIC, &deadline);
  deadline.tv_sec += milliseconds / 1000;
  deadline.tv_nsec += static_cast<long>(milliseconds % 1000) * 1000000L;
  if (deadline.tv_nsec >= 1000000000L) {
    deadline.tv_nsec -= 1000000000L;
    ++deadline.tv_sec;
  }
  return deadline;
}

// Every name this process has opened, mapped once and kept until exit: a lock
// may still be held (and be on the thread's robust list) when its last user
// object goes away, so its memory must stay mapped.
std::mutex registryMutex;
std::map<std::string, std::unique_ptr<NamedSharedMutex>>& Registry() {
  static auto* registry = new std::map<std::string, std::unique_ptr<NamedSharedMutex>>;
  return *registry;
}
}  // namespace

std::string NamedSharedMutex::ObjectNameFor(const std::string& lockName) {
  std::string encoded;
  for (unsigned char c : lockName) {
    if (KeptInObjectName(c)) {
      encoded += static_cast<char>(c);
    } else {
      char hex[4];
      std::snprintf(hex, sizeof hex, "%%%02X", c);
      encoded += hex;
    }
  }
  if (encoded.size() > 200) {
    char hash[18];
    std::snprintf(hash, sizeof hash, "~%016llx", static_cast<unsigned long long>(Fnv1a(lockName)));
    encoded = encoded.substr(0, 183) + hash;
  }
  return "/swmatrix." + encoded;
}

std::string NamedSharedMutex::NamespacePrefix() {
  const char* prefix = std::getenv("SWMATRIX_LOCK_PREFIX");
  return prefix ? prefix : "";
}

int NamedSharedMutex::Remove(const std::string& lockName) {
  return shm_unlink(ObjectNameFor(NamespacePrefix() + lockName).c_str()) == 0 ? 0 : errno;
}

namespace {
// Who may use the lock objects: their owner, and with $SWMATRIX_LOCK_GROUP
// the members of that group. An empty problem when the variable is fine.
struct Sharing {
  bool group = false;
  gid_t gid = 0;
  std::string groupName;
  std::string problem;
  mode_t Mode() const { return group ? 0660 : 0600; }
};

Sharing LockSharing() {
  Sharing sharing;
  const char* name = std::getenv("SWMATRIX_LOCK_GROUP");
  if (!name || !*name) return sharing;
  sharing.group = true;
  sharing.groupName = name;
  std::vector<char> buffer(16384);
  struct group entry {};
  struct group* found = nullptr;
  if (getgrnam_r(name, &entry, buffer.data(), buffer.size(), &found) == 0 && found) {
    sharing.gid = found->gr_gid;
    return sharing;
  }
  char* end = nullptr;
  const unsigned long number = std::strtoul(name, &end, 10);
  if (*end == '\0' && end != name) {
    sharing.gid = static_cast<gid_t>(number);
    return sharing;
  }
  sharing.problem = "SWMATRIX_LOCK_GROUP names no group of this system (\"" + sharing.groupName + "\")";
  return sharing;
}

std::string UserName(uid_t uid) {
  std::vector<char> buffer(16384);
  struct passwd entry {};
  struct passwd* found = nullptr;
  if (getpwuid_r(uid, &entry, buffer.data(), buffer.size(), &found) == 0 && found)
    return std::string(found->pw_name) + " (" + std::to_string(uid) + ")";
  return "user " + std::to_string(uid);
}

// Whether an object that exists already may be used by this process: its
// own, or its group's when that group shares the locks. Tightens the mode
// of an own object that others could open (left by an older version).
bool MayUse(int fd, const std::string& objectName, const Sharing& sharing, std::string* problem) {
  struct stat info {};
  if (fstat(fd, &info) != 0) {
    *problem = std::string("cannot examine /dev/shm") + objectName + ": " + std::strerror(errno);
    return false;
  }
  const mode_t mode = info.st_mode & 07777;
  if (info.st_uid == geteuid()) {
    if (mode != sharing.Mode()) fchmod(fd, sharing.Mode());
    if (sharing.group && info.st_gid != sharing.gid && fchown(fd, static_cast<uid_t>(-1), sharing.gid) != 0) {
      *problem = "cannot give /dev/shm" + objectName + " to group " + sharing.groupName + ": " + std::strerror(errno);
      return false;
    }
    return true;
  }
  if (sharing.group && info.st_gid == sharing.gid && (mode & 0060) == 0060 && (mode & 0007) == 0) return true;
  char octal[8];
  std::snprintf(octal, sizeof octal, "%04o", static_cast<unsigned>(mode));
  *problem = "/dev/shm" + objectName + " belongs to " + UserName(info.st_uid) + " (mode " + octal +
             "), not to this account" +
             (sharing.group ? " nor to group " + sharing.groupName
                            : std::string("; accounts that share instruments set SWMATRIX_LOCK_GROUP"));
  return false;
}
}  // namespace

NamedSharedMutex::SharedBlock* NamedSharedMutex::MapBlock(const std::string& objectName, int* error,
                                                          std::string* problem) {
  const Sharing sharing = LockSharing();
  if (!sharing.problem.empty()) {
    *problem = sharing.problem;
    *error = EINVAL;
    return nullptr;
  }
  bool created = true;
  int fd = shm_open(objectName.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, sharing.Mode());
  if (fd < 0 && errno == EEXIST) {
    created = false;
    fd = shm_open(objectName.c_str(), O_RDWR | O_CLOEXEC, 0);
  }
  if (fd < 0) {
    *error = errno;
    *problem = "cannot open /dev/shm" + objectName + ": " + std::strerror(errno) +
               (errno == EACCES ? " (it belongs to another account)" : "");
    return nullptr;
  }
  // A new object is the creator's alone (or its group's), whatever the umask.
  bool usable = true;
  if (created) {
    fchmod(fd, sharing.Mode());
    if (sharing.group && fchown(fd, static_cast<uid_t>(-1), sharing.gid) != 0) {
      *problem = "cannot give /dev/shm" + objectName + " to group " + sharing.groupName + ": " + std::strerror(errno);
      usable = false;
      shm_unlink(objectName.c_str());
    }
  } else {
    usable = MayUse(fd, objectName, sharing, problem);
  }
  if (!usable) {
    *error = EACCES;
    close(fd);
    return nullptr;
  }
  // The creator sizes the object; a process that opens it before that sizes
  // it too. Both ask for the same size, so neither clears what the other wrote.
  struct stat info {};
  if (fstat(fd, &info) != 0 ||
      (info.st_size < static_cast<off_t>(sizeof(SharedBlock)) && ftruncate(fd, sizeof(SharedBlock)) != 0)) {
    *error = errno;
    *problem = "cannot size /dev/shm" + objectName + ": " + std::strerror(errno);
    close(fd);
    return nullptr;
  }
  void* memory = mmap(nullptr, sizeof(SharedBlock), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
  const int mapError = errno;
  close(fd);
  if (memory == MAP_FAILED) {
    *error = mapError;
    *problem = "cannot map /dev/shm" + objectName + ": " + std::strerror(mapError);
    return nullptr;
  }
  return static_cast<SharedBlock*>(memory);
}

// Makes sure the mutex in the block is initialised exactly once, whichever
// process gets there first; takes over from an initialiser that died midway.
int NamedSharedMutex::Initialise(SharedBlock* block) {
  const uint32_t self = static_cast<uint32_t>(getpid());
  const timespec deadline = DeadlineAfter(kInitialisationWaitMilliseconds);
  for (;;) {
    uint64_t state = block->state.load(std::memory_order_acquire);
    if (Phase(state) == kReady) return 0;
    if (Phase(state) == kFresh &&
        block->state.compare_exchange_strong(state, StateOf(kInitialising, self))) {
      pthread_mutexattr_t attributes;
      pthread_mutexattr_init(&attributes);
      pthread_mutexattr_setpshared(&attributes, PTHREAD_PROCESS_SHARED);
      pthread_mutexattr_setrobust(&attributes, PTHREAD_MUTEX_ROBUST);
      pthread_mutexattr_settype(&attributes, PTHREAD_MUTEX_RECURSIVE);
      const int result = pthread_mutex_init(&block->mutex, &attributes);
      pthread_mutexattr_destroy(&attributes);
      block->state.store(result == 0 ? StateOf(kReady, 0) : StateOf(kFresh, 0), std::memory_order_release);
      return result;
    }
    if (Phase(state) == kInitialising && ProcessGone(static_cast<uint32_t>(state))) {
      block->state.compare_exchange_strong(state, StateOf(kFresh, 0));
      continue;
    }
    // Another process is initialising: that takes microseconds.
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    if (now.tv_sec > deadline.tv_sec || (now.tv_sec == deadline.tv_sec && now.tv_nsec >= deadline.tv_nsec))
      return ETIMEDOUT;
    sched_yield();
  }
}

NamedSharedMutex* NamedSharedMutex::Open(const std::string& lockName, int* error, std::string* problem) {
  const std::string objectName = ObjectNameFor(NamespacePrefix() + lockName);
  std::string why;
  if (!problem) problem = &why;
  std::lock_guard<std::mutex> guard(registryMutex);
  auto& registry = Registry();
  if (auto found = registry.find(objectName); found != registry.end()) return found->second.get();
  SharedBlock* block = MapBlock(objectName, error, problem);
  if (!block) return nullptr;
  if (const int result = Initialise(block); result != 0) {
    munmap(block, sizeof(SharedBlock));
    *error = result;
    *problem = "/dev/shm" + objectName + " was not made ready by the process that created it";
    return nullptr;
  }
  auto& entry = registry[objectName];
  entry.reset(new NamedSharedMutex(objectName, block));
  return entry.get();
}

NamedSharedMutex::Result NamedSharedMutex::Lock(uint32_t milliseconds, int* error) {
  int result;
  if (milliseconds == kInfinite) {
    result = pthread_mutex_lock(&block_->mutex);
  } else if (milliseconds == 0) {
    result = pthread_mutex_trylock(&block_->mutex);
  } else {
    const timespec deadline = DeadlineAfter(milliseconds);
    result = pthread_mutex_clocklock(&block_->mutex, CLOCK_MONOTONIC, &deadline);
  }
  switch (result) {
    case 0:
      return Result::Obtained;
    case EOWNERDEAD:
      // We own it now; mark it usable again for everyone after us.
      pthread_mutex_consistent(&block_->mutex);
      return Result::Abandoned;
    case EBUSY:
    case ETIMEDOUT:
      return Result::TimedOut;
    default:
      *error = result;
      return Result::Failed;
  }
}

int NamedSharedMutex::Unlock() { return pthread_mutex_unlock(&block_->mutex); }
