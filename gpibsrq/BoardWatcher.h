#pragma once
// One thread per board that has registrations: it waits for the board's
// service-request line (ibwait with SRQI | TIMO on the board descriptor,
// which is the board index), serial-polls every device registered on the
// board (ibrsp, which also ends a device's request) and calls the handler of
// each device that requested service and expects it, with the polled status
// byte. linux-gpib has no ibnotify, and a device descriptor sees its own
// request only when the board polls automatically, so watching the board and
// polling ourselves works on every configuration. The threads are stopped
// and joined when the library is unloaded.
namespace gpibsrq {

// Wakes the board's thread (starting it on first use): its registrations changed.
void WatchBoard(int board);
// Serialises serial polls and handler calls with unregistering: once this
// returns, no poll of a removed registration's descriptor and no call of its
// handler is in progress. From inside a handler it returns at once.
void WaitForDispatch();
// The number of boards whose service-request line is set; -1 when no board answers.
int CountRequestingBoards();

}  // namespace gpibsrq
