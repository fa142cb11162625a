#pragma once
// One thread per board that waits on the bus for a service request, polls
// the device that asks (which ends its request) and calls the handler
// registered for it. Started with the first registration on a board and
// stopped when the board has none left.
namespace simlib {

// Starts the board's watcher unless it runs.
void StartWatcher(int board);
// Stops it when the board has no registrations left; waits for a handler
// call in progress unless called from inside one.
void StopWatcherIfIdle(int board);
// Waits until no handler call is in progress (not from inside one).
void WaitForDispatch();
// Polls every board's service-request line once: the number of boards that
// request service, -1 when the bus cannot be reached.
int CountRequestingBoards();

}  // namespace simlib
