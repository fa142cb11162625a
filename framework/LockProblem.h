#pragma once
// What went wrong, in words, when the calling thread last failed to create a
// named lock (status 0x3000019F): for example that its object belongs to
// another account. Empty when no creation failed on this thread. A status
// text is asked for on the thread that got the status, right after it.
#include <string>

const std::string& LastLockProblem();
