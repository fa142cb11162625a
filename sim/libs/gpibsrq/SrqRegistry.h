#pragma once
// The handlers registered with the simulated service-request library, and
// the time of each device's last bus access. Shared by every thread.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace simlib {

using SrqHandler = void (*)(void* context, int statusByte);

struct SrqRegistration {
  int handle = 0;
  int board = 0;
  std::string resource;  // GPIBb::p[::s]::INSTR, upper case
  SrqHandler handler = nullptr;
  void* context = nullptr;
  bool expecting = false;
};

// The bus resource name of a device.
std::string SrqResource(int board, int pad, int sad);

int AddRegistration(const SrqRegistration& registration);  // the new handle
// Removes it; false for an unknown handle. The board it was on, when found.
bool RemoveRegistration(int handle, int* board);
std::vector<int> RemoveAllRegistrations();  // the boards that had some
bool SetExpecting(int handle, bool expecting);
bool BoardHasRegistrations(int board);
// The registration for a resource (case ignored).
std::optional<SrqRegistration> FindRegistration(const std::string& resource);

void SetTiming(int board, int pad, unsigned long long milliseconds);
unsigned long long GetTiming(int board, int pad);

// The last failure: 0 none, 1 bus unreachable, 2 a request nobody expected, 3 poll failed.
void SetLastError(int error);
int LastError();

}  // namespace simlib
