#pragma once
// A retry counter that also keeps the status of the current try and logs every
// try from the second on ("NewTry" from "RetryCounter"), as "Error" when the
// try before failed, else "Complete".
#include <string>

#include "framework/RetryCounter.h"
#include "framework/Status.h"

class RetryCounterErrorcode : public RetryCounter {
public:
  explicit RetryCounterErrorcode(uint32_t maxTries) : RetryCounter(maxTries) {}

  void Next() override;
  void Succeeded() override;
  void Reset() override;

  void SetErrorcode(Status status) { errorcode_ = status; }
  Status GetErrorcode() const { return errorcode_; }

  // The record written when try `currentTry` starts after a try that ended with
  // `previousTryErrorCode`: its type and its text.
  static const char* NewTryType(Status previousTryErrorCode);
  static std::string NewTryText(uint32_t currentTry, uint32_t maxTries);

private:
  Status errorcode_ = 0;
};
