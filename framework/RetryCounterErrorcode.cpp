#include "framework/RetryCounterErrorcode.h"

#include "logging/JournexEntry.h"

void RetryCounterErrorcode::Next() {
  const Status previous = errorcode_;
  RetryCounter::Next();
  errorcode_ = 0;
  if (CurrentTry() < 2) return;
  JournexEntry::Note("NewTry", "RetryCounter", NewTryType(previous), NewTryText(CurrentTry(), MaxTries()),
                     {{"maxTries", MaxTries()},
                      {"currentTry", CurrentTry()},
                      {"Succeeded", HasSucceeded()},
                      {"previousTryErrorCode", previous}});
}

void RetryCounterErrorcode::Succeeded() {
  RetryCounter::Succeeded();
  errorcode_ = 0;
}

void RetryCounterErrorcode::Reset() {
  RetryCounter::Reset();
  errorcode_ = 0;
}

const char* RetryCounterErrorcode::NewTryType(Status previousTryErrorCode) {
  return previousTryErrorCode != 0 ? "Error" : "Complete";
}

std::string RetryCounterErrorcode::NewTryText(uint32_t currentTry, uint32_t maxTries) {
  return "RetryCounter(" + std::to_string(currentTry) + "/" + std::to_string(maxTries) + ")";
}
