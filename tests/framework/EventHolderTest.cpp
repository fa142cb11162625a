#include "framework/EventHolder.h"

#include <gtest/gtest.h>

#include <thread>

TEST(EventHolder, ManualResetEventStartsUnsignalledAndStaysSetUntilReset) {
  EventHolder event;
  EXPECT_FALSE(event.IsCreated());
  EXPECT_FALSE(event.Set());
  EXPECT_FALSE(event.Wait(0));
  ASSERT_EQ(event.Create(), 0u);
  EXPECT_FALSE(event.Wait(0));
  EXPECT_TRUE(event.Set());
  EXPECT_TRUE(event.Wait(0));
  EXPECT_TRUE(event.Wait(0));  // manual reset: still signalled
  EXPECT_TRUE(event.Reset());
  EXPECT_FALSE(event.Wait(0));
  event.Set();
  ASSERT_EQ(event.Create(), 0u);  // a new event replaces the old, unsignalled
  EXPECT_FALSE(event.Wait(0));
  event.Close();
  EXPECT_FALSE(event.IsCreated());
  EXPECT_FALSE(event.Reset());
}

TEST(EventHolder, ReleasesAWaiterOfAnotherThread) {
  EventHolder event;
  ASSERT_EQ(event.Create(), 0u);
  std::thread setter([&] { event.Set(); });
  EXPECT_TRUE(event.Wait(60000));
  setter.join();
}
