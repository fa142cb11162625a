// The log channel keeps a burst of records for a reader that lags behind,
// numbers every record, and drops records only when its own queue is full.
#include <gtest/gtest.h>
#include <unistd.h>

#include <regex>
#include <thread>

#include "LogReceiver.h"
#include "logging/LogRecordWriter.h"
#include "logging/RecordSender.h"
#include "support/ChildProcess.h"

namespace {
using Channel = JournexEntry::MailSlotSocket;

struct Numbered {
  uint64_t sequence = 0;
  std::string pid;  // of "#pid", empty when the record has none
  std::string text;
};

// The trailing "#pid" and "#seq" values of a record as it came.
Numbered Numbers(const std::string& record) {
  static const std::regex trailer(";(#pid;i([0-9]+);)?#seq;i([0-9]+)$");
  std::smatch match;
  Numbered numbered;
  numbered.text = record;
  EXPECT_TRUE(std::regex_search(record, match, trailer)) << record;
  if (match.empty()) return numbered;
  numbered.pid = match[2].str();
  numbered.sequence = std::stoull(match[3].str());
  return numbered;
}

std::vector<Numbered> TakeNumbered(LogReceiver& log, size_t count) {
  std::vector<Numbered> records;
  while (records.size() < count) {
    auto record = log.NextNumbered();
    if (!record) break;
    records.push_back(Numbers(*record));
  }
  EXPECT_EQ(records.size(), count) << "records missing";
  return records;
}

uint64_t Dropped(const Channel::Counters& c) {
  return c.droppedOverflow + c.droppedQueueFull + c.droppedNoReader + c.droppedFailed;
}
}  // namespace

TEST(LogBurst, AReaderThatLagsBehindGetsEveryRecordInOrder) {
  LogReceiver log;  // reads nothing until the burst is written
  Channel& channel = Channel::Instance();
  const auto before = channel.GetCounters();
  constexpr int kCalls = 1000;  // 2000 records, far more than the reader's socket queues
  for (int i = 0; i < kCalls; ++i) {
    JournexEntry scope("Call", "Test");
    scope.LogBegin("Note", "c" + std::to_string(i));
    scope.LogEnd("Complete");
  }
  JournexEntry::Note("Note", "Test", "Note", "last");
  const auto records = TakeNumbered(log, 2 * kCalls + 1);
  ASSERT_EQ(records.size(), size_t{2 * kCalls + 1});
  for (size_t i = 0; i < records.size(); ++i) {
    EXPECT_EQ(records[i].sequence, records[0].sequence + i) << records[i].text;
    if (i + 1 < records.size()) {
      EXPECT_EQ(records[i].text.rfind(i % 2 ? "!loge;" : "!logb;", 0), 0u) << records[i].text;
      EXPECT_EQ(records[i].pid, "") << "begin and end name their process in the header";
    }
  }
  EXPECT_NE(records[2].text.find("a2:c1;#seq;i"), std::string::npos) << records[2].text;
  EXPECT_EQ(records.back().pid, std::to_string(getpid())) << records.back().text;
  EXPECT_EQ(Dropped(channel.GetCounters()), Dropped(before));
  EXPECT_TRUE(log.Idle());
}

TEST(LogBurst, DropsOnlyWhenItsOwnQueueIsFullAndTheNumbersShowTheGap) {
  LogReceiver log;
  Channel& channel = Channel::Instance();
  JournexEntry::Note("Note", "Test", "Note", "first");
  const Numbered first = Numbers(*log.NextNumbered());
  const auto before = channel.GetCounters();
  constexpr size_t kRecords = RecordSender::kMaxRecords + 500;
  for (size_t i = 0; i < kRecords; ++i) JournexEntry::Note("Note", "Test", "Note", "r");
  const auto full = channel.GetCounters();
  const uint64_t overflow = full.droppedOverflow - before.droppedOverflow;
  EXPECT_GE(overflow, 1u);
  EXPECT_LE(overflow, 500u);
  EXPECT_EQ(Dropped(full) - overflow, Dropped(before)) << "nothing dropped but by the full queue";

  // Everything that was queued arrives, numbered without a gap; the record
  // written after the overflow shows how many were lost.
  const auto kept = TakeNumbered(log, kRecords - overflow);
  ASSERT_FALSE(kept.empty());
  EXPECT_EQ(kept.front().sequence, first.sequence + 1);
  EXPECT_EQ(kept.back().sequence, first.sequence + kept.size());
  JournexEntry::Note("Note", "Test", "Note", "after");
  const Numbered after = Numbers(*log.NextNumbered());
  EXPECT_NE(after.text.find("a5:after"), std::string::npos) << after.text;
  EXPECT_EQ(after.sequence - kept.back().sequence - 1, overflow);
}

// The parent's thread holds queued records when the host forks: the child
// sends its own records (with its own thread), never the parent's again.
TEST(LogBurst, AForkedChildSendsOnlyItsOwnRecords) {
  LogReceiver log;
  constexpr int kParentRecords = 50;  // more than the reader's socket takes: the rest wait in the queue
  for (int i = 0; i < kParentRecords; ++i) JournexEntry::Note("Note", "Test", "Note", "parent");
  ChildProcess child([](const ChildProcess::Channel&) {
    JournexEntry::Note("Note", "Test", "Note", "child");
    Channel::Instance().Shutdown();  // sends what is queued, as at exit
    return 0;
  });
  int parents = 0, children = 0;
  for (const Numbered& record : TakeNumbered(log, kParentRecords + 1)) {
    if (record.text.find("a6:parent") != std::string::npos) {
      ++parents;
      EXPECT_EQ(record.pid, std::to_string(getpid()));
    } else if (record.text.find("a5:child") != std::string::npos) {
      ++children;
      EXPECT_NE(record.pid, std::to_string(getpid()));
    }
  }
  EXPECT_EQ(parents, kParentRecords);
  EXPECT_EQ(children, 1);
  EXPECT_EQ(child.Wait(), 0);
  EXPECT_TRUE(log.Idle()) << "the child sent records of the parent";
}

TEST(LogBurst, ShutdownSendsWhatIsQueuedThenCallersSendDirectly) {
  LogReceiver log;
  Channel& channel = Channel::Instance();
  constexpr int kRecords = 500;
  for (int i = 0; i < kRecords; ++i) JournexEntry::Note("Note", "Test", "Note", "q");
  std::thread shutdown([&] { channel.Shutdown(); });  // waits while the reader takes the records
  EXPECT_EQ(log.Take(kRecords).size(), size_t{kRecords});
  shutdown.join();
  channel.ForceReprobe();
  ASSERT_TRUE(JournexEntry::Enabled()) << "the reader is found again";
  const auto before = channel.GetCounters();
  JournexEntry::Note("Note", "Test", "Note", "direct");
  EXPECT_EQ(channel.GetCounters().sent, before.sent + 1) << "sent by the caller itself";
  const auto record = log.Next();
  ASSERT_TRUE(record);
  EXPECT_NE(record->find("a6:direct"), std::string::npos) << *record;
  channel.SetDelivery(Channel::Delivery::Queued);
}
