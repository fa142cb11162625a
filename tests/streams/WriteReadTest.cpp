// The exchange: locking around it, the retry rule for empty answers and the
// stripping of leading line ends.
#include <gtest/gtest.h>

#include <algorithm>

#include "streams/ScriptedStream.h"

namespace {
constexpr Status kTimedOut = streamstatus::kReadTimedOut;

struct RetryCase {
  const char* name;
  uint32_t retries;
  bool strip;
  std::vector<ScriptedStream::Reply> replies;
  std::string answer;
  Status status;
  size_t reads;
};

TEST(WriteRead, EmptyAnswersAreReadAgainUntilTheRetriesRunOut) {
  const RetryCase cases[] = {
      {"answers on the third read", 3, false, {{kTimedOut, ""}, {kTimedOut, ""}, {0, "OK\n"}}, "OK\n", 0, 3},
      {"never answers", 3, false, {}, "", 0, 3},
      {"one retry reads once", 1, false, {{kTimedOut, ""}, {0, "late"}}, "", 0, 1},
      {"no retries read once", 0, false, {{kTimedOut, ""}, {0, "late"}}, "", 0, 1},
      {"first answer ends it", 3, false, {{0, "A\n"}, {0, "B\n"}}, "A\n", 0, 1},
      {"line ends alone count when not stripped", 3, false, {{0, "\r\n"}, {0, "OK\n"}}, "\r\n", 0, 1},
      {"stripped line ends are read again", 3, true, {{0, "\r\n"}, {0, "\n"}, {0, "OK\n"}}, "OK\n", 0, 3},
      {"stripped leading line ends", 3, true, {{0, "\r\nOK"}}, "OK", 0, 1},
      {"only line ends, stripped", 3, true, {{0, "\r\n"}, {0, "\r"}, {0, "\n"}, {0, "X"}}, "", 0, 3},
      {"answer after time-out counts", 2, false, {{kTimedOut, "par"}}, "par", 0, 1},
      {"a failing reread ends it", 3, false, {{kTimedOut, ""}, {0x300002D5, "x"}}, "x", 0x300002D5, 2},
      {"a failing first read ends it", 3, false, {{0x300002D3, ""}}, "", 0x300002D3, 1},
      {"too large is an error", 3, false, {{streamstatus::kResponseTooLarge, "ABCD"}}, "ABCD",
       streamstatus::kResponseTooLarge, 1},
  };
  for (const RetryCase& c : cases) {
    SCOPED_TRACE(c.name);
    ScriptedStream stream;
    stream.replies.assign(c.replies.begin(), c.replies.end());
    stream.SetStripNewLines(c.strip);
    std::string answer = "stale";
    EXPECT_EQ(stream.WriteRead(7, "MEAS?", answer, 50, c.retries), c.status);
    EXPECT_EQ(answer, c.answer);
    EXPECT_EQ(stream.Reads(), c.reads);
    for (size_t count : stream.readCounts) EXPECT_EQ(count, 50u);
    EXPECT_EQ(stream.locked, 0);
    EXPECT_TRUE(stream.lockedDuringIo);
  }
}

TEST(WriteRead, AnEmptyCommandOnlyReadsOnce) {
  ScriptedStream stream;
  std::string answer;
  EXPECT_EQ(stream.WriteRead(0, "", answer, 10, 3), 0u);
  EXPECT_EQ(stream.calls, (std::vector<std::string>{"Lock", "Read", "Unlock"}));
}

TEST(WriteRead, TheRetryLoopRepeatsAFailingExchange) {
  ScriptedStream stream;
  stream.writeStatuses = {0x300002D4, 0};
  stream.replies = {{0, "ok\n"}};
  std::string answer;
  EXPECT_EQ(stream.WriteReadWithRetryLoop(0, "X?", answer, 10, 3), 0u);
  EXPECT_EQ(answer, "ok\n");
  EXPECT_EQ(std::count(stream.calls.begin(), stream.calls.end(), "Write:X?"), 2);

  ScriptedStream dead;
  dead.writeStatuses = {0x300002D4, 0x300002D4, 0x300002D4, 0};
  EXPECT_EQ(dead.WriteReadWithRetryLoop(0, "X?", answer, 10, 3), 0x300002D4u);
  EXPECT_EQ(std::count(dead.calls.begin(), dead.calls.end(), "Write:X?"), 3);
  EXPECT_EQ(dead.locked, 0) << "each failed exchange unlocked";
}

TEST(WriteRead, StrippingRemovesOnlyLeadingLineEnds) {
  const std::pair<std::string, std::string> cases[] = {
      {"\r\nOK\r\n", "OK\r\n"}, {"\n\r\n", ""}, {"", ""}, {"A\nB", "A\nB"}, {" \nX", " \nX"}};
  for (const auto& [text, stripped] : cases) {
    std::string copy = text;
    StripLeadingNewLines(copy);
    EXPECT_EQ(copy, stripped) << text;
  }
}
}  // namespace
