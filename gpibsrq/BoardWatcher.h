#pragma once
// One thread per board that has registrations: it waits for the board's
// service-request line (ibwait with SRQI | TIMO on a board descriptor of its
// own when gpib.conf names the board, else on the board index), then
// serial-polls every device registered on the board (ibrsp, which also ends
// a device's request) and calls the handler of each registration that
// expected a request before the poll began, with the status byte. After a
// wait that timed out it polls the devices that show RQS: a board that polls
// automatically clears the line and queues their bytes. On such a board, and
// on one that gpib.conf lists without a name, it looks at the line and the
// devices instead of waiting: every 5 ms while a registration expects a
// request, else every 300 ms. linux-gpib has no
// ibnotify, so watching the board and polling ourselves works on every
// configuration. The threads are stopped and joined when the library is
// unloaded; a child of fork() forgets them.
namespace gpibsrq {

// Wakes the board's thread (starting it on first use): its registrations changed.
void WatchBoard(int board);
// Wakes the board's thread, if it has one: a registration expects a request.
void WakeBoard(int board);
// Serialises serial polls and handler calls with unregistering: once this
// returns, no poll of a removed registration's descriptor and no call of its
// handler is in progress. From inside a handler it returns at once.
void WaitForDispatch();
// Holds off polls and handler calls while it lives.
class DispatchGuard {
public:
  DispatchGuard();
  ~DispatchGuard();
  DispatchGuard(const DispatchGuard&) = delete;
  DispatchGuard& operator=(const DispatchGuard&) = delete;
};
// The number of boards whose service-request line is set; -1 when no board answers.
int CountRequestingBoards();

}  // namespace gpibsrq
