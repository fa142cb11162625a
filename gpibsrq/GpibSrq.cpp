// The service-request library of the module's GPIB devices, built on any
// NI-488.2-compatible GPIB library: devices register here and are called
// back, on a thread of this library, with their status byte when they ask
// for service. It also keeps the time of each device's last bus access, so
// that every object of the process keeps a device's minimum spacing.
// docs/real-instruments.md describes the calls.
#include "gpibsrq/BoardWatcher.h"
#include "gpibsrq/GpibCalls.h"
#include "gpibsrq/SrqRegistry.h"
#include "platform/GpibBoardFile.h"

namespace {

constexpr int kPollTimeoutCode = 11;  // T1s for the library's own serial polls

// Unregistering a device: no poll or handler call of it runs any more once
// the descriptor is given back.
int Unregister(int handle) {
  const std::optional<gpibsrq::SrqRegistration> removed = gpibsrq::RemoveRegistration(handle);
  if (!removed) return -1;
  gpibsrq::WaitForDispatch();
  if (const gpibsrq::GpibCalls* gpib = gpibsrq::Gpib()) gpib->ibonl(removed->pollDescriptor, 0);
  return 0;
}

}  // namespace

extern "C" {

int RegisterSRQHandler(int board, int pad, int sad, gpibsrq::SrqHandler handler, void* context) {
  if (board < 0 || board >= gpibsrq::kBoards || pad < 0 || pad > 30 || (sad != 0 && (sad < 96 || sad > 126)) ||
      !handler)
    return 0;
  const gpibsrq::GpibCalls* gpib = gpibsrq::Gpib();
  // A board whose device file does not open would keep the descriptor ibdev takes.
  const bool openable = GpibBoardOpenError(board) == 0;
  const int descriptor = gpib && openable ? gpib->ibdev(board, pad, sad, kPollTimeoutCode, 1, 0) : -1;
  if (descriptor < 0) {
    gpibsrq::SetLastError(gpibsrq::kGpibUnusable);
    return 0;
  }
  gpibsrq::SrqRegistration registration;
  registration.board = board;
  registration.pad = pad;
  registration.sad = sad;
  registration.pollDescriptor = descriptor;
  registration.handler = handler;
  registration.context = context;
  const int handle = gpibsrq::AddRegistration(registration);
  gpibsrq::WatchBoard(board);
  return handle;
}

int UnRegisterSRQHandler(int handle) { return Unregister(handle); }

void UnRegisterAllHandlers(void) {
  for (int handle : gpibsrq::Handles()) Unregister(handle);
}

int SetExpectingSRQ(int handle, int expecting) {
  // A handshake begins after any poll in progress: that poll's byte is from
  // before, and a poll that counts for the handshake starts after this.
  if (expecting) {
    int board = -1;
    {
      gpibsrq::DispatchGuard guard;
      const std::optional<gpibsrq::SrqRegistration> registration = gpibsrq::FindRegistration(handle);
      if (!registration || !gpibsrq::SetExpecting(handle, true)) return -1;
      board = registration->board;
    }
    gpibsrq::WakeBoard(board);  // a thread that looks at its board looks sooner
    return 0;
  }
  return gpibsrq::SetExpecting(handle, false) ? 0 : -1;
}

int CheckGPIBBusses(void) { return gpibsrq::CountRequestingBoards(); }

int GetLastGPIBError(void) { return gpibsrq::LastError(); }

void SetLastTimingInformation(int board, int pad, unsigned long long milliseconds) {
  gpibsrq::SetTiming(board, pad, milliseconds);
}

unsigned long long GetLastTimingInformation(int board, int pad) { return gpibsrq::GetTiming(board, pad); }

}  // extern "C"
