#include "platform/NamedSharedMutex.h"

#include <fcntl.h>
#include <pthread.h>
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
#include <map>
#include <memory>
#include <mutex>

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

NamedSharedMutex::SharedBlock* NamedSharedMutex::MapBlock(const std::string& objectName, int* error) {
  bool created = true;
  int fd = shm_open(objectName.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd < 0 && errno == EEXIST) {
    created = false;
    fd = shm_open(objectName.c_str(), O_RDWR | O_CLOEXEC, 0);
  }
  if (fd < 0) {
    *error = errno;
    return nullptr;
  }
  // Shared by every user of the machine, as the lock guards a device.
  if (created) fchmod(fd, 0666);
  // The creator sizes the object; a process that opens it before that sizes
  // it too. Both ask for the same size, so neither clears what the other wrote.
  struct stat info {};
  if (fstat(fd, &info) != 0 ||
      (info.st_size < static_cast<off_t>(sizeof(SharedBlock)) && ftruncate(fd, sizeof(SharedBlock)) != 0)) {
    *error = errno;
    close(fd);
    return nullptr;
  }
  void* memory = mmap(nullptr, sizeof(SharedBlock), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
  const int mapError = errno;
  close(fd);
  if (memory == MAP_FAILED) {
    *error = mapError;
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

NamedSharedMutex* NamedSharedMutex::Open(const std::string& lockName, int* error) {
  const std::string objectName = ObjectNameFor(NamespacePrefix() + lockName);
  std::lock_guard<std::mutex> guard(registryMutex);
  auto& registry = Registry();
  if (auto found = registry.find(objectName); found != registry.end()) return found->second.get();
  SharedBlock* block = MapBlock(objectName, error);
  if (!block) return nullptr;
  if (const int result = Initialise(block); result != 0) {
    munmap(block, sizeof(SharedBlock));
    *error = result;
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
