#pragma once
// What the parts of one simulator share: the lock that guards all state, the
// condition that announces changes, the event loop and the common places.
#include <condition_variable>
#include <mutex>
#include <string>

#include "sim/core/ChangeNotice.h"
#include "sim/core/EventLoop.h"

namespace sim {

class BusServer;

struct SimulatorContext {
  std::recursive_mutex lock;
  std::condition_variable_any changed;
  ChangeNotice notice;  // for watchers that do not hold the lock (the web view)
  EventLoop loop{lock};
  std::string portsDirectory;  // where pseudo-terminals are linked as COMn
  BusServer* bus = nullptr;
};

}  // namespace sim
