// The simulated service-request library: the module registers its GPIB
// devices here and is called back, on a thread of this library, with the
// status byte when one of them requests service. The requests come from
// swmsim's bus socket ($SWMATRIX_SIM_BUS). docs/simulator.md describes the
// functions.
#include "sim/libs/gpibsrq/SrqRegistry.h"
#include "sim/libs/gpibsrq/SrqWatcher.h"

extern "C" {

int RegisterSRQHandler(int board, int pad, int sad, simlib::SrqHandler handler, void* context) {
  if (board < 0 || board > 3 || pad < 0 || pad > 30 || (sad != 0 && (sad < 96 || sad > 126)) || !handler)
    return 0;
  simlib::SrqRegistration registration;
  registration.board = board;
  registration.resource = simlib::SrqResource(board, pad, sad);
  registration.handler = handler;
  registration.context = context;
  const int handle = simlib::AddRegistration(registration);
  simlib::StartWatcher(board);
  return handle;
}

int UnRegisterSRQHandler(int handle) {
  int board = 0;
  if (!simlib::RemoveRegistration(handle, &board)) return -1;
  simlib::WaitForDispatch();
  simlib::StopWatcherIfIdle(board);
  return 0;
}

void UnRegisterAllHandlers(void) {
  for (int board : simlib::RemoveAllRegistrations()) {
    simlib::WaitForDispatch();
    simlib::StopWatcherIfIdle(board);
  }
}

int SetExpectingSRQ(int handle, int expecting) { return simlib::SetExpecting(handle, expecting != 0) ? 0 : -1; }

int CheckGPIBBusses(void) { return simlib::CountRequestingBoards(); }

int GetLastGPIBError(void) { return simlib::LastError(); }

void SetLastTimingInformation(int board, int pad, unsigned long long milliseconds) {
  simlib::SetTiming(board, pad, milliseconds);
}

unsigned long long GetLastTimingInformation(int board, int pad) { return simlib::GetTiming(board, pad); }

}  // extern "C"
