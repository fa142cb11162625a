#include "platform/UnixDatagramSocket.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

namespace {
std::string TempSocketPath(const std::string& stem) {
  return ::testing::TempDir() + "swm-dgram-" + stem + "-" + std::to_string(getpid());
}
}  // namespace

TEST(UnixDatagramSocket, DeliversWholeDatagramsInOrder) {
  const std::string path = TempSocketPath("order");
  UnixDatagramSocket reader, sender;
  ASSERT_TRUE(reader.Bind(path));
  EXPECT_EQ(reader.BoundPath(), path);
  ASSERT_TRUE(sender.Connect(path));
  const std::string large(100000, 'L');
  const std::string payloads[] = {"one", "", std::string("with\0zero;", 10), large};
  for (const std::string& payload : payloads) EXPECT_EQ(sender.Send(payload), UnixDatagramSocket::SendResult::Sent);
  for (const std::string& payload : payloads) {
    std::string received = "stale";
    ASSERT_EQ(reader.Receive(&received, 10000), UnixDatagramSocket::ReceiveResult::Received);
    EXPECT_EQ(received, payload);
  }
  std::string nothing;
  EXPECT_EQ(reader.Receive(&nothing, 0), UnixDatagramSocket::ReceiveResult::TimedOut);
  reader.Close();
  EXPECT_FALSE(std::filesystem::exists(path)) << "closing a reader removes its socket file";
}

// A reader that does not read (a full queue) and one that went away are the log
// channel's tests: JournexEntry.NeverBlocksWhenTheReaderStopsReading and
// JournexEntry.ReconnectsAtOnceToAReaderThatCameBack.
TEST(UnixDatagramSocket, ReportsWhyADatagramWasNotDelivered) {
  const std::string path = TempSocketPath("results");
  UnixDatagramSocket sender;
  EXPECT_EQ(sender.Send("x"), UnixDatagramSocket::SendResult::NoReader) << "never connected";
  EXPECT_FALSE(sender.Connect(path)) << "nobody bound";
  EXPECT_EQ(sender.Send("x"), UnixDatagramSocket::SendResult::NoReader);
}

TEST(UnixDatagramSocket, BindsOnlyWhereNoLiveReaderIs) {
  const std::string path = TempSocketPath("bind");
  std::string error;
  {
    UnixDatagramSocket first, second;
    ASSERT_TRUE(first.Bind(path, &error)) << error;
    EXPECT_FALSE(second.Bind(path, &error));
    EXPECT_EQ(error, "another reader is bound there");
  }
  // A socket file left behind by a reader that died is replaced.
  {
    UnixDatagramSocket dead;
    ASSERT_TRUE(dead.Bind(path));
    const std::string kept = path + "-kept";
    std::filesystem::rename(path, kept);  // keep the file past the reader's close
    dead.Close();
    std::filesystem::rename(kept, path);
  }
  ASSERT_TRUE(std::filesystem::exists(path));
  UnixDatagramSocket replacement;
  EXPECT_TRUE(replacement.Bind(path, &error)) << error;
  replacement.Close();

  const std::string plainFile = path + "-file";
  std::ofstream(plainFile) << "data";
  UnixDatagramSocket onFile;
  EXPECT_FALSE(onFile.Bind(plainFile, &error));
  EXPECT_EQ(error, "exists and is not a socket");
  EXPECT_TRUE(std::filesystem::exists(plainFile)) << "a file that is no socket is left alone";
  std::filesystem::remove(plainFile);

  UnixDatagramSocket tooLong;
  EXPECT_FALSE(tooLong.Bind("/tmp/" + std::string(UnixDatagramSocket::MaxPathLength(), 'x'), &error));
  EXPECT_FALSE(tooLong.Connect(""));
}
