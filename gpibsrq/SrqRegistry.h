#pragma once
// The handlers registered with the service-request library, and the time
// of each device's last bus access. Shared by every thread.
#include <optional>
#include <vector>

namespace gpibsrq {

using SrqHandler = void (*)(void* context, int statusByte);

struct SrqRegistration {
  int handle = 0;
  int board = 0;
  int pad = 0;
  int sad = 0;
  int pollDescriptor = -1;  // the library's own descriptor of the device, for serial polls
  SrqHandler handler = nullptr;
  void* context = nullptr;
  bool expecting = false;
  // Counts the times expecting was switched on: a status byte counts for a
  // handshake only when it was polled after the handshake began.
  unsigned expectation = 0;
};

int AddRegistration(const SrqRegistration& registration);  // the new handle
// Removes it and returns what it was; nothing for an unknown handle.
std::optional<SrqRegistration> RemoveRegistration(int handle);
std::vector<int> Handles();
bool SetExpecting(int handle, bool expecting);
std::optional<SrqRegistration> FindRegistration(int handle);
// The registrations of one board, in the order they were made.
std::vector<SrqRegistration> RegistrationsOn(int board);

void SetTiming(int board, int pad, unsigned long long milliseconds);
unsigned long long GetTiming(int board, int pad);

// The last failure (GetLastGPIBError).
enum SrqError : int {
  kNoError = 0,
  kGpibUnusable = 1,      // the GPIB library, the board or a descriptor could not be had
  kUnexpectedRequest = 2, // a registered device asked for service while none was expected
  kPollFailed = 3,        // a serial poll failed
};
void SetLastError(SrqError error);

// Around fork: the registry's lock is held while the process forks, so that
// the child's copy is whole, and given back on both sides.
void LockRegistry();
void UnlockRegistry();
int LastError();

}  // namespace gpibsrq
