#include "gpibsrq/SrqRegistry.h"

#include <atomic>
#include <map>
#include <mutex>

namespace gpibsrq {
namespace {

std::mutex registryLock;
std::map<int, SrqRegistration>& Registrations() {
  static std::map<int, SrqRegistration> registrations;
  return registrations;
}
int nextHandle = 1;
std::map<std::pair<int, int>, unsigned long long>& Timings() {
  static std::map<std::pair<int, int>, unsigned long long> timings;
  return timings;
}
std::atomic<int> lastError{kNoError};

}  // namespace

int AddRegistration(const SrqRegistration& registration) {
  std::lock_guard guard(registryLock);
  SrqRegistration entry = registration;
  entry.handle = nextHandle++;
  Registrations()[entry.handle] = entry;
  return entry.handle;
}

std::optional<SrqRegistration> RemoveRegistration(int handle) {
  std::lock_guard guard(registryLock);
  auto found = Registrations().find(handle);
  if (found == Registrations().end()) return std::nullopt;
  SrqRegistration removed = found->second;
  Registrations().erase(found);
  return removed;
}

std::vector<int> Handles() {
  std::lock_guard guard(registryLock);
  std::vector<int> handles;
  for (const auto& [handle, registration] : Registrations()) handles.push_back(handle);
  return handles;
}

bool SetExpecting(int handle, bool expecting) {
  std::lock_guard guard(registryLock);
  auto found = Registrations().find(handle);
  if (found == Registrations().end()) return false;
  if (expecting) ++found->second.expectation;
  found->second.expecting = expecting;
  return true;
}

std::optional<SrqRegistration> FindRegistration(int handle) {
  std::lock_guard guard(registryLock);
  auto found = Registrations().find(handle);
  if (found == Registrations().end()) return std::nullopt;
  return found->second;
}

std::vector<SrqRegistration> RegistrationsOn(int board) {
  std::lock_guard guard(registryLock);
  std::vector<SrqRegistration> found;
  for (const auto& [handle, registration] : Registrations())
    if (registration.board == board) found.push_back(registration);
  return found;
}

void SetTiming(int board, int pad, unsigned long long milliseconds) {
  std::lock_guard guard(registryLock);
  Timings()[{board, pad}] = milliseconds;
}

unsigned long long GetTiming(int board, int pad) {
  std::lock_guard guard(registryLock);
  auto found = Timings().find({board, pad});
  return found == Timings().end() ? 0 : found->second;
}

void SetLastError(SrqError error) { lastError = error; }
void LockRegistry() { registryLock.lock(); }
void UnlockRegistry() { registryLock.unlock(); }
int LastError() { return lastError.load(); }

}  // namespace gpibsrq
