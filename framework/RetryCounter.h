#pragma once
// Counts the tries of a repeated exchange. The loop every user follows:
// construct with the number of tries; run the attempt; on success call
// Succeeded; call Next; repeat until IsDone. A counter of 3 runs at most
// three attempts.
#include <cstdint>

class RetryCounter {
public:
  explicit RetryCounter(uint32_t maxTries) : maxTries_(maxTries) {}
  virtual ~RetryCounter() = default;

  virtual void Next() { ++currentTry_; }
  virtual void Succeeded() { succeeded_ = true; }
  virtual void Reset() {
    currentTry_ = 0;
    succeeded_ = false;
  }
  bool IsDone() const { return succeeded_ || currentTry_ >= maxTries_; }

  uint32_t MaxTries() const { return maxTries_; }
  uint32_t CurrentTry() const { return currentTry_; }
  bool HasSucceeded() const { return succeeded_; }

private:
  uint32_t maxTries_;
  uint32_t currentTry_ = 0;
  bool succeeded_ = false;
};
