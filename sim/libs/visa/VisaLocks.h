#pragma once
// The locks of the simulated VISA library, per resource and within one
// process: an exclusive lock keeps every other session of the resource from
// its input and output; shared locks are held together by the sessions that
// give the same access key. Locks nest; closing a session drops its locks.
#include <string>

#include "sim/libs/visa/VisaTypes.h"

namespace simlib::visa {

// viLock: the lock or a nested one, VI_ERROR_RSRC_LOCKED at once when the
// time-out is 0, else VI_ERROR_TMO when the time-out passes first.
ViStatus LockResource(const std::string& resource, ViSession vi, ViUInt32 type, ViUInt32 timeoutMs,
                      const char* requestedKey, char* accessKey);
// viUnlock: the innermost lock (an exclusive one before a shared one).
ViStatus UnlockResource(const std::string& resource, ViSession vi);
// True when another session holds a lock on the resource and this one none.
bool LockedOut(const std::string& resource, ViSession vi);
void DropLocks(ViSession vi);

}  // namespace simlib::visa
