#include "CallProgress.h"

#include <cstdio>
#include <iostream>

void CallProgress::Start(const std::string& call) {
  Stop();
  start_ = std::chrono::steady_clock::now();
  running_ = true;
  if (!live_) return;
  std::cout.flush();  // the counting line goes below what the call before printed
  stopping_ = false;
  counter_ = std::thread([this, call] { Count(call); });
}

void CallProgress::Count(std::string call) {
  std::unique_lock<std::mutex> lock(mutex_);
  bool shown = false;
  // Once a second until the call returns; the first line after one second,
  // so that quick calls print nothing.
  for (int seconds = 1; !stopped_.wait_for(lock, std::chrono::seconds(1), [this] { return stopping_; }); ++seconds) {
    err_ << "\rwaiting " << seconds << " s for " << call << "...\033[K" << std::flush;
    shown = true;
  }
  if (shown) err_ << "\r\033[K" << std::flush;
}

void CallProgress::Stop() {
  if (!running_) return;
  running_ = false;
  if (counter_.joinable()) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      stopping_ = true;
    }
    stopped_.notify_one();
    counter_.join();
  }
  seconds_ = std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
}

void CallProgress::Finish() {
  Stop();
  const double seconds = seconds_;
  seconds_ = 0;
  if (seconds <= 1.0) return;
  char text[32];
  std::snprintf(text, sizeof text, "%.1f", seconds);
  std::cout.flush();
  err_ << "  took " << text << " s\n" << std::flush;
}
