// The log channel sends only to a reader socket that belongs to the user
// running the module: a socket another user bound at the path gets nothing.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "logging/LogReceiver.h"

TEST(LogSocketOwner, RecordsGoOnlyToASocketOfTheSameUser) {
  if (geteuid() != 0) GTEST_SKIP() << "giving the socket to another user needs root";
  LogReceiver log;
  auto& channel = JournexEntry::MailSlotSocket::Instance();
  // Bound by "another user": the reader's socket handed to nobody.
  ASSERT_EQ(chown(log.Path().c_str(), 65534, 65534), 0);
  channel.UsePath(log.Path());
  EXPECT_FALSE(JournexEntry::Enabled());
  JournexEntry::Note("Probe", "LogSocketOwnerTest", "Note", "to another user");
  EXPECT_TRUE(log.Idle()) << "a record reached another user's socket";

  ASSERT_EQ(chown(log.Path().c_str(), geteuid(), getegid()), 0);
  channel.UsePath(log.Path());
  EXPECT_TRUE(JournexEntry::Enabled());
  JournexEntry::Note("Probe", "LogSocketOwnerTest", "Note", "to the same user");
  const auto record = log.Next();
  ASSERT_TRUE(record);
  EXPECT_NE(record->find("to the same user"), std::string::npos);
}
