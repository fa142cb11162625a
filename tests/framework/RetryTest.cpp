#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

#include "framework/RetryCounter.h"
#include "framework/RetryCounterErrorcode.h"
#include "framework/RetryLoop.h"

namespace {
// Runs the loop shape of every user: attempt, Succeeded on success, Next, until IsDone.
uint32_t CountAttempts(RetryCounter& counter, uint32_t succeedOnAttempt) {
  uint32_t attempts = 0;
  do {
    ++attempts;
    if (attempts == succeedOnAttempt) counter.Succeeded();
    counter.Next();
  } while (!counter.IsDone());
  return attempts;
}
}  // namespace

TEST(RetryCounter, RunsAtMostMaxTriesAndStopsOnSuccess) {
  struct Case {
    uint32_t maxTries;
    uint32_t succeedOnAttempt;  // 0: never
    uint32_t attempts;
  };
  const Case cases[] = {{3, 0, 3}, {3, 1, 1}, {3, 2, 2}, {3, 3, 3}, {1, 0, 1}, {0, 0, 1}, {5, 4, 4}};
  for (const Case& c : cases) {
    RetryCounter plain(c.maxTries);
    EXPECT_EQ(CountAttempts(plain, c.succeedOnAttempt), c.attempts) << c.maxTries << " " << c.succeedOnAttempt;
    RetryCounterErrorcode withCode(c.maxTries);
    EXPECT_EQ(CountAttempts(withCode, c.succeedOnAttempt), c.attempts) << c.maxTries << " " << c.succeedOnAttempt;
  }
}

TEST(RetryCounterErrorcode, ErrorcodeIsClearedByNextSucceededAndResetWhichStartsOver) {
  RetryCounterErrorcode counter(3);
  EXPECT_EQ(counter.GetErrorcode(), 0u);
  counter.SetErrorcode(0x300001A1);
  EXPECT_EQ(counter.GetErrorcode(), 0x300001A1u);
  counter.Next();
  EXPECT_EQ(counter.GetErrorcode(), 0u);
  EXPECT_EQ(counter.CurrentTry(), 1u);
  counter.SetErrorcode(7);
  counter.Succeeded();
  EXPECT_EQ(counter.GetErrorcode(), 0u);
  EXPECT_TRUE(counter.IsDone());
  EXPECT_TRUE(counter.HasSucceeded());
  counter.SetErrorcode(9);
  counter.Reset();
  EXPECT_EQ(counter.GetErrorcode(), 0u);
  EXPECT_EQ(counter.CurrentTry(), 0u);
  EXPECT_FALSE(counter.HasSucceeded());
  EXPECT_FALSE(counter.IsDone());
  // Called through the base, the overrides still keep the code.
  RetryCounter& base = counter;
  counter.SetErrorcode(11);
  base.Next();
  EXPECT_EQ(counter.GetErrorcode(), 0u);
}

TEST(RetryLoop, RetriesUntilSuccessStopRetryingOrMaxTries) {
  enum Outcome { kOk, kRetryable, kStop };
  struct Case {
    const char* what;
    uint32_t maxTries;
    std::vector<Outcome> outcomes;  // per try; the last repeats
    uint32_t runs;
    Status status;
  };
  const Status code = 0x300001A1;
  const Case cases[] = {
      {"always retryable", 3, {kRetryable}, 3, code},
      {"stop retrying", 3, {kStop}, 1, code},
      {"retryable then stop", 5, {kRetryable, kStop}, 2, code},
      {"succeeds at once", 3, {kOk}, 1, 0},
      {"succeeds on the third", 3, {kRetryable, kRetryable, kOk}, 3, 0},
      {"one try", 1, {kRetryable}, 1, code},
      {"zero tries still runs once", 0, {kRetryable}, 1, code},
  };
  for (const Case& c : cases) {
    uint32_t runs = 0;
    const Status status = RetryLoop(c.maxTries).Run([&] {
      const Outcome outcome = c.outcomes[std::min<size_t>(runs, c.outcomes.size() - 1)];
      ++runs;
      if (outcome == kRetryable) RetryLoop::ThrowIfError(code);
      if (outcome == kStop) throw RetryLoop::ErrorThrow(code, true);
    });
    EXPECT_EQ(runs, c.runs) << c.what;
    EXPECT_EQ(status, c.status) << c.what;
  }
}

TEST(RetryLoop, ReturnsTheStatusOfTheLastTry) {
  uint32_t runs = 0;
  const Status status = RetryLoop(3).Run([&] { RetryLoop::ThrowIfError(100 + ++runs); });
  EXPECT_EQ(status, 103u);
}

TEST(RetryLoop, OtherExceptionsPassThrough) {
  uint32_t runs = 0;
  EXPECT_THROW(RetryLoop(3).Run([&] {
    ++runs;
    throw std::runtime_error("not ours");
  }),
               std::runtime_error);
  EXPECT_EQ(runs, 1u);
}

// The code of a failed step and that it is retried: RetriesUntilSuccessStopRetryingOrMaxTries.
TEST(RetryLoop, ThrowIfErrorAndTheReadVariant) {
  EXPECT_NO_THROW(RetryLoop::ThrowIfError(0));
  // A read ended by its time-out keeps what arrived and is no error of the step.
  EXPECT_NO_THROW(RetryLoop::ThrowIfReadError(0x3000012E));
  EXPECT_NO_THROW(RetryLoop::ThrowIfReadError(0));
  EXPECT_THROW(RetryLoop::ThrowIfReadError(0x3000012F), RetryLoop::ErrorThrow);
  EXPECT_THROW(RetryLoop::ThrowIfError(0x3000012E), RetryLoop::ErrorThrow);
}
