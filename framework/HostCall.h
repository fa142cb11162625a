#pragma once
// The number of the host's call that the current thread is in: each export
// call begins a new one, unique in the process. Code that must not repeat a
// costly attempt within one call (connecting again to an instrument that is
// away) notes the number of the call in which it failed. Outside an export
// call (the module's own threads, unit tests) the number is 0.
#include <cstdint>

namespace hostcall {
// Starts a new call on this thread.
void Begin();
// Leaves it: the thread is outside any call again.
void End();
// The current call of this thread, 0 outside any.
uint64_t Current();
}  // namespace hostcall
