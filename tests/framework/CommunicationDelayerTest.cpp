#include "framework/CommunicationDelayer.h"

#include <gtest/gtest.h>

TEST(CommunicationDelayer, WaitsOnlyForWhatIsLeftOfTheDelay) {
  struct Case {
    uint32_t delay;
    int64_t nanosecondsSinceStamp;
    uint64_t wait;
  };
  const Case cases[] = {
      {0, 0, 0},                     // no delay never waits
      {0, -1000000, 0},
      {5000, 0, 5000},
      {5000, 1000000, 4000},         // 1 ms after the stamp: about 4 ms left
      {5000, 1000999, 4000},         // whole microseconds since the stamp
      {5000, 4999000, 1},
      {5000, 5000000, 0},
      {5000, 6000000, 0},
      {5000, -1000000, 4000},        // the distance counts, whichever side
      {5000, int64_t{1} << 50, 0},   // far beyond the delay
      {1, 999, 1},
      {0xFFFFFFFF, 1000000, 0xFFFFFFFFull - 1000},
  };
  for (const Case& c : cases) {
    CommunicationDelayer delayer;
    delayer.SetDelay(c.delay);
    EXPECT_EQ(delayer.GetDelay(), c.delay);
    EXPECT_EQ(delayer.MicrosecondsToWait(delayer.LastCommunication() + c.nanosecondsSinceStamp), c.wait)
        << c.delay << " " << c.nanosecondsSinceStamp;
  }
}

TEST(CommunicationDelayer, IsStampedAtConstructionAndCopiesKeepDelayAndStamp) {
  Timing clock;
  int64_t before = 0, after = 0;
  clock.ReadCounter(&before);
  CommunicationDelayer delayer;
  clock.ReadCounter(&after);
  EXPECT_GE(delayer.LastCommunication(), before);
  EXPECT_LE(delayer.LastCommunication(), after);
  EXPECT_EQ(delayer.GetDelay(), 0u);

  delayer.SetDelay(1234);
  CommunicationDelayer copy(delayer);
  EXPECT_EQ(copy.GetDelay(), 1234u);
  EXPECT_EQ(copy.LastCommunication(), delayer.LastCommunication());

  clock.WaitMicroseconds(2);
  copy.Stamp();
  EXPECT_GT(copy.LastCommunication(), delayer.LastCommunication());
  CommunicationDelayer assigned;
  assigned = copy;
  EXPECT_EQ(assigned.LastCommunication(), copy.LastCommunication());
  EXPECT_EQ(assigned.GetDelay(), 1234u);
}

TEST(CommunicationDelayer, GapAfterOneMillisecondLastsUntilTheDelayHasPassed) {
  CommunicationDelayer delayer;
  delayer.SetDelay(5000);
  delayer.Stamp();
  const int64_t stamp = delayer.LastCommunication();
  delayer.GetTiming().WaitMicroseconds(1000);
  int64_t called = 0, returned = 0;
  delayer.GetTiming().ReadCounter(&called);
  delayer.WaitForGap();
  delayer.GetTiming().ReadCounter(&returned);
  EXPECT_GE(Timing::MicrosecondsBetween(stamp, called), 1000u);
  EXPECT_GE(Timing::MicrosecondsBetween(stamp, returned), 5000u);
  EXPECT_EQ(delayer.MicrosecondsToWait(returned), 0u);
}
