#include "logging/JournexEntry.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <barrier>
#include <map>
#include <sstream>
#include <thread>

#include "LogReceiver.h"
#include "logging/MailSlotSocket.h"

namespace {
using Channel = JournexEntry::MailSlotSocket;

std::string Address(const void* scope) {
  std::ostringstream out;
  out << scope;
  return out.str();
}
}  // namespace

TEST(JournexEntry, WritesBeginAndEndOfOneScope) {
  LogReceiver log;
  {
    JournexEntry scope("CheckDevice", "DeviceDriver");
    scope.LogBegin("Note", "CheckDevice(3)", {{"DeviceID", uint16_t{3}}});
    EXPECT_TRUE(scope.Begun());
    scope.LogEnd("Error", {}, {{"Err", uint32_t{0x300000D0}}});
    EXPECT_FALSE(scope.Begun());
    const auto records = log.Take(2);
    ASSERT_EQ(records.size(), 2u);
    const auto begin = ScopeRecord(records[0]);
    const auto end = ScopeRecord(records[1]);
    ASSERT_EQ(begin.size(), 8u);
    ASSERT_EQ(end.size(), 8u);
    EXPECT_EQ(begin[0], "!logb");
    EXPECT_EQ(end[0], "!loge");
    EXPECT_EQ(end[1], begin[1]);
    EXPECT_EQ(begin[2], Address(&scope));
    EXPECT_EQ(end[2], begin[2]);
    EXPECT_LE(begin[3], end[3]);
    EXPECT_EQ(begin[4] + "|" + begin[5] + "|" + begin[6], "CheckDevice|DeviceDriver|Note");
    EXPECT_EQ(end[4] + "|" + end[5] + "|" + end[6], "CheckDevice|DeviceDriver|Error");
    EXPECT_EQ(begin[7], "!input;description;a14:CheckDevice(3);DeviceID;i3");
    EXPECT_EQ(end[7], "!output;Err;i805306576");
  }
  EXPECT_TRUE(log.Idle()) << "an ended scope writes nothing at destruction";
}

// After a regular end nothing more is written: WritesBeginAndEndOfOneScope.
TEST(JournexEntry, WritesAutoEndWhenAScopeEndsWithoutLogEnd) {
  LogReceiver log;
  {
    JournexEntry scope("EarlyReturn", "Test");
    scope.LogBegin("Note", "EarlyReturn()");
  }  // left early, without LogEnd
  const auto records = log.Take(2);
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(ScopeRecord(records[0])[0], "!logb");
  const auto end = ScopeRecord(records[1]);
  EXPECT_EQ(end[0], "!loge");
  EXPECT_EQ(end[2], ScopeRecord(records[0])[2]);
  EXPECT_EQ(end[6], "Auto End");
  EXPECT_EQ(end[7], "!output");
}

// The names are kept with their separators replaced (the record header is the
// writer's: LogRecordWriter.WritesTheHeaderFieldsInOrder); a scope's single
// records carry them.
TEST(JournexEntry, ReplacesSeparatorsInItsNamesAndLogsSingleRecordsUnderThem) {
  LogReceiver log;
  JournexEntry scope("Get;Value;", ";Driver");
  EXPECT_EQ(scope.Function(), "Get*Value*");
  EXPECT_EQ(scope.Module(), "*Driver");
  scope.Log("Warning", "c;d");
  const auto records = log.Take(1);
  ASSERT_EQ(records.size(), 1u);
  const auto single = SingleRecord(records[0]);
  ASSERT_EQ(single.size(), 7u);
  EXPECT_EQ(single[0], "!logn");
  EXPECT_EQ(single[3] + "|" + single[4] + "|" + single[5] + "|" + single[6],
            "Get*Value*|*Driver|Warning|!general;description;a3:c;d");
}

TEST(JournexEntry, ReportsMisuseWithTheOriginalArguments) {
  LogReceiver log;
  {
    JournexEntry scope("Op", "Mod");
    scope.LogEnd("Complete", "first", {{"Err", 0}});          // end without begin
    scope.LogEnd("Complete", {}, {{"Err", 1}});               // a further end
    scope.LogBegin("Note", "Op(1)", {{"Arg", 1}});
    scope.LogBegin("Note", "Op(2)", {{"Arg", 2}});            // begin twice
    scope.LogBegin("Note", "Op(3)", {}, "!output");           // and a third time
  }
  const auto records = log.Take(6);
  ASSERT_EQ(records.size(), 6u);
  const auto warning1 = SingleRecord(records[0]);
  EXPECT_EQ(warning1[0], "!logn");
  EXPECT_EQ(warning1[3] + "|" + warning1[4] + "|" + warning1[5], "Op|Mod|Warning 1");
  EXPECT_EQ(warning1[6],
            "!general;description;a23:LogEnd without LogBegin;Detail;a30:LogEnd sended without LogBegin;"
            "----;a22:OriginalArgumentsBelow;Function;a2:Op;Module;a3:Mod;Type;a8:Complete;"
            "!output;description;a5:first;Err;i0");
  const auto warning2 = SingleRecord(records[1]);
  EXPECT_EQ(warning2[5], "Warning 2");
  EXPECT_EQ(warning2[6],
            "!general;description;a38:Either no LogBegin or multiple LogEnds;"
            "----;a22:OriginalArgumentsBelow;Function;a2:Op;Module;a3:Mod;Type;a8:Complete;!output;Err;i1");
  EXPECT_EQ(ScopeRecord(records[2])[0], "!logb");
  EXPECT_EQ(ScopeRecord(records[2])[7], "!input;description;a5:Op(1);Arg;i1");
  const auto twice = SingleRecord(records[3]);
  EXPECT_EQ(twice[5], "Warning");
  EXPECT_EQ(twice[6],
            "!general;description;a21:LogBegin sended twice;Detail;a23:LogBegin sended 2 times;"
            "----;a22:OriginalArgumentsBelow;Function;a2:Op;Module;a3:Mod;Type;a4:Note;"
            "!input;description;a5:Op(2);Arg;i2");
  EXPECT_NE(SingleRecord(records[4])[6].find("Detail;a23:LogBegin sended 3 times;"), std::string::npos)
      << records[4];
  EXPECT_NE(SingleRecord(records[4])[6].find(";!output;description;a5:Op(3)"), std::string::npos) << records[4];
  EXPECT_EQ(ScopeRecord(records[5])[6], "Auto End") << "the first begin is still open";
}

TEST(JournexEntry, DropsRecordsSilentlyWithoutAReader) {
  const std::string nowhere = UniqueTempPath("absent");
  Channel& channel = Channel::Instance();
  channel.UsePath(nowhere);
  EXPECT_FALSE(JournexEntry::Enabled());
  {
    JournexEntry scope("F", "M");
    scope.LogBegin("Note", "F()");
    scope.LogEnd("Complete");
  }
  EXPECT_FALSE(channel.IsOpen());
  EXPECT_EQ(channel.Send("!logn;x"), 0u) << "sending while closed is no failure";

  // A reader that appears later is found by the next probe.
  UnixDatagramSocket reader;
  ASSERT_TRUE(reader.Bind(nowhere));
  channel.ForceReprobe();
  EXPECT_TRUE(JournexEntry::Enabled());
  JournexEntry::Note("F", "M", "Note", "found");
  std::string record;
  ASSERT_EQ(reader.Receive(&record, LogReceiver::kTimeLimitMs), UnixDatagramSocket::ReceiveResult::Received);
  EXPECT_NE(record.find("a5:found"), std::string::npos) << record;
  reader.Close();
  channel.UsePath({});
}

TEST(JournexEntry, ReconnectsAtOnceToAReaderThatCameBack) {
  LogReceiver first;
  JournexEntry::Note("F", "M", "Note", "one");
  ASSERT_TRUE(first.Next());
  const std::string path = first.Path();
  first.Socket().Close();  // the reader goes away ...
  UnixDatagramSocket second;
  ASSERT_TRUE(second.Bind(path));  // ... and a new one binds the same path
  JournexEntry::Note("F", "M", "Note", "two");
  std::string record;
  ASSERT_EQ(second.Receive(&record, LogReceiver::kTimeLimitMs), UnixDatagramSocket::ReceiveResult::Received);
  EXPECT_NE(record.find("a3:two"), std::string::npos) << record;
}

// A reader that stops reading: LogBurstTest.cpp.

TEST(JournexEntry, RecordsOfSeveralThreadsNeverInterleave) {
  LogReceiver log;
  constexpr int kThreads = 4;
  constexpr int kRounds = 25;
  constexpr size_t kTextLength = 12000;  // several pages per record
  // Each round every thread writes a begin and an end (8 records, within the
  // reader's queue), all starting together; then the test reads them.
  std::barrier start(kThreads + 1), done(kThreads + 1);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      const std::string text(kTextLength, static_cast<char>('A' + t));
      for (int round = 0; round < kRounds; ++round) {
        start.arrive_and_wait();
        {
          JournexEntry scope("Thread" + std::to_string(t), "Test");
          scope.LogBegin("Note", text);
          scope.LogEnd("Complete", text);
        }
        done.arrive_and_wait();
      }
    });
  }
  std::map<std::string, int> openScopes;
  for (int round = 0; round < kRounds; ++round) {
    start.arrive_and_wait();
    done.arrive_and_wait();
    const auto records = log.Take(2 * kThreads);
    ASSERT_EQ(records.size(), size_t{2 * kThreads}) << "round " << round;
    for (const std::string& record : records) {
      const auto fields = ScopeRecord(record);
      ASSERT_EQ(fields.size(), 8u);
      const char letter = static_cast<char>('A' + std::stoi(fields[4].substr(6)));
      // The whole text of the thread, and nothing of another thread.
      const std::string expected = "description;a" + std::to_string(kTextLength) + ":" + std::string(kTextLength, letter);
      EXPECT_NE(fields[7].find(expected), std::string::npos) << fields[4];
      EXPECT_EQ(record.size(), fields[0].size() + fields[1].size() + fields[2].size() + fields[3].size() +
                                   fields[4].size() + fields[5].size() + fields[6].size() + 7 +
                                   std::string(fields[0] == "!logb" ? "!input;" : "!output;").size() + expected.size());
      openScopes[fields[1] + fields[2] + fields[4]] += fields[0] == "!logb" ? 1 : -1;
    }
  }
  for (auto& thread : threads) thread.join();
  for (const auto& [scope, open] : openScopes) EXPECT_EQ(open, 0) << scope;
}
