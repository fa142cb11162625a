#include "sim/libs/visa/VisaLocks.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <map>
#include <mutex>

namespace simlib::visa {
namespace {

struct ResourceLocks {
  ViSession exclusive = 0;
  unsigned exclusiveDepth = 0;
  std::string sharedKey;
  std::map<ViSession, unsigned> shared;  // holder and depth
  bool Empty() const { return exclusive == 0 && shared.empty(); }
};

std::mutex lock;
std::condition_variable released;
std::map<std::string, ResourceLocks> locks;
unsigned nextKey = 1;

bool Holds(const ResourceLocks& held, ViSession vi) { return held.exclusive == vi || held.shared.count(vi); }

// Whether the lock can be had now; fills the status of success.
bool Grant(ResourceLocks& held, ViSession vi, ViUInt32 type, const std::string& key, ViStatus* status) {
  const bool othersShare = std::any_of(held.shared.begin(), held.shared.end(),
                                       [vi](const auto& holder) { return holder.first != vi; });
  *status = kSuccess;
  if (type == kExclusiveLock) {
    if (held.exclusive == vi) {
      ++held.exclusiveDepth;
      *status = kSuccessNestedExclusive;
      return true;
    }
    if (held.exclusive || othersShare) return false;
    held.exclusive = vi;
    held.exclusiveDepth = 1;
    return true;
  }
  if (held.exclusive && held.exclusive != vi) return false;
  if (auto found = held.shared.find(vi); found != held.shared.end()) {
    ++found->second;
    *status = kSuccessNestedShared;
    return true;
  }
  if (othersShare && key != held.sharedKey) return false;
  held.sharedKey = key;
  held.shared[vi] = 1;
  return true;
}

}  // namespace

ViStatus LockResource(const std::string& resource, ViSession vi, ViUInt32 type, ViUInt32 timeoutMs,
                      const char* requestedKey, char* accessKey) {
  if (type != kExclusiveLock && type != kSharedLock) return kErrorInvalidLockType;
  std::unique_lock guard(lock);
  std::string key;
  if (type == kSharedLock) key = requestedKey && *requestedKey ? requestedKey : "swmsim-key-" + std::to_string(nextKey++);
  const auto deadline = std::chrono::steady_clock::now() +
                        std::chrono::milliseconds(timeoutMs == kTimeoutInfinite ? 3'600'000 : timeoutMs);
  ViStatus status = kSuccess;
  while (!Grant(locks[resource], vi, type, key, &status)) {
    if (timeoutMs == 0) return kErrorResourceLocked;
    if (released.wait_until(guard, deadline) == std::cv_status::timeout) {
      if (Grant(locks[resource], vi, type, key, &status)) break;
      return kErrorTimeout;
    }
  }
  if (type == kSharedLock && accessKey) {
    std::strncpy(accessKey, locks[resource].sharedKey.c_str(), 255);
    accessKey[255] = '\0';
  }
  return status;
}

ViStatus UnlockResource(const std::string& resource, ViSession vi) {
  std::lock_guard guard(lock);
  auto found = locks.find(resource);
  if (found == locks.end() || !Holds(found->second, vi)) return kErrorSessionNotLocked;
  ResourceLocks& held = found->second;
  ViStatus status = kSuccess;
  if (held.exclusive == vi) {
    if (--held.exclusiveDepth == 0) held.exclusive = 0;
    if (held.exclusive || held.shared.count(vi)) status = held.exclusive ? kSuccessNestedExclusive : kSuccessNestedShared;
  } else if (--held.shared[vi] == 0) {
    held.shared.erase(vi);
  } else {
    status = kSuccessNestedShared;
  }
  if (held.Empty()) locks.erase(found);
  released.notify_all();
  return status;
}

bool LockedOut(const std::string& resource, ViSession vi) {
  std::lock_guard guard(lock);
  auto found = locks.find(resource);
  return found != locks.end() && !found->second.Empty() && !Holds(found->second, vi);
}

void DropLocks(ViSession vi) {
  std::lock_guard guard(lock);
  for (auto it = locks.begin(); it != locks.end();) {
    ResourceLocks& held = it->second;
    if (held.exclusive == vi) {
      held.exclusive = 0;
      held.exclusiveDepth = 0;
    }
    held.shared.erase(vi);
    it = held.Empty() ? locks.erase(it) : std::next(it);
  }
  released.notify_all();
}

}  // namespace simlib::visa
