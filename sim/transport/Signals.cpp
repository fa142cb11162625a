#include "sim/transport/Signals.h"

#include <pthread.h>
#include <signal.h>
#include <unistd.h>

namespace sim::transport {
namespace {
sigset_t TerminationSet() {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGINT);
  sigaddset(&set, SIGTERM);
  return set;
}
}  // namespace

void BlockTerminationSignals() {
  const sigset_t set = TerminationSet();
  pthread_sigmask(SIG_BLOCK, &set, nullptr);
  signal(SIGPIPE, SIG_IGN);
}

int WaitForTerminationSignal() {
  const sigset_t set = TerminationSet();
  int number = 0;
  sigwait(&set, &number);
  return number;
}

void SendTerminationSignalToSelf() { ::kill(::getpid(), SIGTERM); }

}  // namespace sim::transport
