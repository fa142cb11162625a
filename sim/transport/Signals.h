#pragma once
// Termination signals (SIGINT, SIGTERM) for the simulator process: blocked in
// every thread and taken by one waiting thread, so a stop is always clean.

namespace sim::transport {

// Call before starting any thread.
void BlockTerminationSignals();
// Waits for SIGINT or SIGTERM; returns the signal number.
int WaitForTerminationSignal();
// Makes a WaitForTerminationSignal in progress return.
void SendTerminationSignalToSelf();

}  // namespace sim::transport
