// The log records of the retry counter and the retry loop, read from a
// private log socket.
#include <gtest/gtest.h>

#include "framework/RetryCounterErrorcode.h"
#include "framework/RetryLoop.h"
#include "logging/LogReceiver.h"

TEST(RetryLog, CounterLogsEveryTryFromTheSecondWithThePreviousCode) {
  LogReceiver log;
  RetryCounterErrorcode counter(3);
  counter.SetErrorcode(0x3000012E);
  counter.Next();  // the first try starts: no record
  EXPECT_TRUE(log.Idle());
  counter.SetErrorcode(0x3000012E);
  counter.Next();  // the second try, after a failed one
  counter.Next();  // the third, after one that left no code
  counter.Succeeded();
  const auto records = log.Take(2);
  ASSERT_EQ(records.size(), 2u);
  const auto second = SingleRecord(records[0]);
  const auto third = SingleRecord(records[1]);
  ASSERT_EQ(second.size(), 7u);
  ASSERT_EQ(third.size(), 7u);
  EXPECT_EQ(second[0], "!logn");
  EXPECT_EQ(second[3] + "|" + second[4] + "|" + second[5], "NewTry|RetryCounter|Error");
  EXPECT_EQ(second[6],
            "!general;description;a17:RetryCounter(2/3);maxTries;i3;currentTry;i2;Succeeded;bFALSE;"
            "previousTryErrorCode;i805306670");
  EXPECT_EQ(third[3] + "|" + third[4] + "|" + third[5], "NewTry|RetryCounter|Complete");
  EXPECT_EQ(third[6],
            "!general;description;a17:RetryCounter(3/3);maxTries;i3;currentTry;i3;Succeeded;bFALSE;"
            "previousTryErrorCode;i0");
  EXPECT_TRUE(log.Idle());
}

TEST(RetryLog, LoopLogsEachFailedTry) {
  LogReceiver log;
  uint32_t runs = 0;
  const Status status = RetryLoop(3).Run([&] {
    if (++runs < 3) RetryLoop::ThrowIfError(0x300001A1);
  });
  EXPECT_EQ(status, 0u);
  const auto records = log.Take(2);
  ASSERT_EQ(records.size(), 2u);
  for (size_t i = 0; i < records.size(); ++i) {
    const auto fields = SingleRecord(records[i]);
    ASSERT_EQ(fields.size(), 7u);
    EXPECT_EQ(fields[3] + "|" + fields[4] + "|" + fields[5], "Run|RetryLoop|Error");
    const std::string text = "(" + std::to_string(i + 1) + "/3) RetryLoop: Error: 805306785";
    EXPECT_EQ(fields[6], "!general;description;a" + std::to_string(text.size()) + ":" + text);
  }
  EXPECT_TRUE(log.Idle()) << "the successful try writes nothing";
}
