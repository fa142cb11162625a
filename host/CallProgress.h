#pragma once
// Shows that a call is still running. A call into a driver can wait for an
// instrument for tens of seconds; on a terminal a line on standard error
// counts the seconds ("waiting 3 s for check hub...") and is erased when the
// call returns. Every call that took over a second is reported afterwards
// ("  took 12.3 s"), on standard error too, so that standard output stays
// what it always was.
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <ostream>
#include <string>
#include <thread>

class CallProgress {
public:
  // `live`: show the waiting line (standard error is a terminal).
  CallProgress(std::ostream& err, bool live) : err_(err), live_(live) {}
  ~CallProgress() { Stop(); }
  CallProgress(const CallProgress&) = delete;
  CallProgress& operator=(const CallProgress&) = delete;

  void Start(const std::string& call);
  // Ends the call started last and erases its waiting line (before the
  // call's result is printed).
  void Stop();
  // Stops, then reports the call when it took over a second.
  void Finish();

private:
  void Count(std::string call);

  std::ostream& err_;
  const bool live_;
  std::chrono::steady_clock::time_point start_;
  bool running_ = false;
  double seconds_ = 0;
  std::mutex mutex_;
  std::condition_variable stopped_;
  bool stopping_ = false;
  std::thread counter_;
};
