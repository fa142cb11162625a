#include "sim/libs/gpibsrq/SrqRegistry.h"

#include <atomic>
#include <cctype>
#include <map>
#include <mutex>

namespace simlib {
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
std::atomic<int> lastError{0};

std::string Upper(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

}  // namespace

std::string SrqResource(int board, int pad, int sad) {
  std::string name = "GPIB" + std::to_string(board) + "::" + std::to_string(pad);
  if (sad >= 96) name += "::" + std::to_string(sad - 96);
  return name + "::INSTR";
}

int AddRegistration(const SrqRegistration& registration) {
  std::lock_guard guard(registryLock);
  SrqRegistration entry = registration;
  entry.handle = nextHandle++;
  entry.resource = Upper(entry.resource);
  Registrations()[entry.handle] = entry;
  return entry.handle;
}

bool RemoveRegistration(int handle, int* board) {
  std::lock_guard guard(registryLock);
  auto found = Registrations().find(handle);
  if (found == Registrations().end()) return false;
  *board = found->second.board;
  Registrations().erase(found);
  return true;
}

std::vector<int> RemoveAllRegistrations() {
  std::lock_guard guard(registryLock);
  std::vector<int> boards;
  for (const auto& [handle, registration] : Registrations()) boards.push_back(registration.board);
  Registrations().clear();
  return boards;
}

bool SetExpecting(int handle, bool expecting) {
  std::lock_guard guard(registryLock);
  auto found = Registrations().find(handle);
  if (found == Registrations().end()) return false;
  found->second.expecting = expecting;
  return true;
}

bool BoardHasRegistrations(int board) {
  std::lock_guard guard(registryLock);
  for (const auto& [handle, registration] : Registrations())
    if (registration.board == board) return true;
  return false;
}

std::optional<SrqRegistration> FindRegistration(const std::string& resource) {
  const std::string wanted = Upper(resource);
  std::lock_guard guard(registryLock);
  for (const auto& [handle, registration] : Registrations())
    if (registration.resource == wanted) return registration;
  return std::nullopt;
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

void SetLastError(int error) { lastError = error; }
int LastError() { return lastError.load(); }

}  // namespace simlib
