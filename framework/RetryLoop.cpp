#include "framework/RetryLoop.h"

#include "logging/JournexEntry.h"

std::string RetryLoop::FailedTryText(uint32_t attempt, uint32_t maxTries, const std::string& name,
                                     Status status) {
  return "(" + std::to_string(attempt) + "/" + std::to_string(maxTries) + ") " + name +
         ": Error: " + std::to_string(status);
}

void RetryLoop::LogFailedTry(uint32_t attempt, Status status) const {
  JournexEntry::Note("Run", name_, "Error", FailedTryText(attempt, maxTries_, name_, status));
}
