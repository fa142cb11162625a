#pragma once
// Limits the nesting of operations that are defaults of each other, so that a
// driver overriding neither ends with a status instead of endless recursion.
#include <cstdint>

#include "framework/Status.h"

class ReentryGuard {
public:
  static constexpr uint32_t kMaxDepth = 10;

  ReentryGuard(uint32_t& depth, Status failure = DRV_ERR_REENTRY_LIMIT)
      : depth_(depth), failure_(failure) {
    ++depth_;
  }
  ~ReentryGuard() {
    if (depth_ > 0) --depth_;
  }
  ReentryGuard(const ReentryGuard&) = delete;
  ReentryGuard& operator=(const ReentryGuard&) = delete;

  bool Entered() const { return depth_ <= kMaxDepth; }
  Status Failure() const { return failure_; }

private:
  uint32_t& depth_;
  Status failure_;
};
