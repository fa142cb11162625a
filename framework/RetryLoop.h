#pragma once
// Runs a body up to maxTries times until it completes without an ErrorThrow.
// Bodies call ThrowIfError after each step; a step may also throw ErrorThrow
// with stopRetrying set to end the loop at once. Every failed try is logged
// as "(" try "/" maxTries ") " name ": Error: " status. Only ErrorThrow is
// caught; any other exception leaves Run unchanged.
#include <cstdint>
#include <exception>
#include <string>
#include <utility>

#include "framework/Status.h"

class RetryLoop {
public:
  struct ErrorThrow : std::exception {
    ErrorThrow(Status code, bool stopRetrying = false) : code(code), stopRetrying(stopRetrying) {}
    const char* what() const noexcept override { return "RetryLoop::ErrorThrow"; }
    Status code;
    bool stopRetrying;
  };

  // The status of a read that ended by its time-out with the data received so
  // far; the exchange treats it as success.
  static constexpr Status kReadTimedOut = 0x3000012E;

  explicit RetryLoop(uint32_t maxTries, std::string name = "RetryLoop")
      : maxTries_(maxTries), name_(std::move(name)) {}

  // Returns the status of the last try (0 once a try completes).
  template <class Body>
  Status Run(Body&& body) const {
    Status status = 0;
    uint32_t attempt = 0;
    do {
      ++attempt;
      try {
        body();
        status = 0;
      } catch (const ErrorThrow& e) {
        status = e.code;
        LogFailedTry(attempt, status);
        if (e.stopRetrying) attempt = maxTries_;
      }
    } while (attempt < maxTries_ && status != 0);
    return status;
  }

  // Throws a retryable ErrorThrow for a non-zero status.
  static void ThrowIfError(Status status) {
    if (status != 0) throw ErrorThrow(status, false);
  }
  // As ThrowIfError for the status of a read: kReadTimedOut passes.
  static void ThrowIfReadError(Status status) {
    if (status != kReadTimedOut) ThrowIfError(status);
  }

  uint32_t MaxTries() const { return maxTries_; }
  const std::string& Name() const { return name_; }

  static std::string FailedTryText(uint32_t attempt, uint32_t maxTries, const std::string& name,
                                   Status status);

private:
  void LogFailedTry(uint32_t attempt, Status status) const;

  uint32_t maxTries_;
  std::string name_;
};
