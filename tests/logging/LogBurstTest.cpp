// The log channel keeps a burst of records for a reader that lags behind,
// numbers every record, and drops records only when its own queue is full.
#include <gtest/gtest.h>
#include <unistd.h>

#include <condition_variable>
#include <mutex>
#include <regex>
#include <thread>
#include <vector>

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

namespace {
// A reader whose queue is full until Accept; the sender's waits for room
// last until Wake, so that a test decides when the sender's thread moves.
class GatedReader : public RecordSender::Transport {
public:
  RecordSender::Outcome Transmit(const std::string& record, uint64_t) override {
    std::lock_guard lock(mutex_);
    if (full_) return RecordSender::Outcome::Busy;
    // The number after the last "#seq;i" (as Numbers, without a regular
    // expression over megabytes).
    const size_t at = record.rfind(";#seq;i");
    taken_.push_back(at == std::string::npos ? 0 : std::stoull(record.substr(at + 7)));
    return RecordSender::Outcome::Sent;
  }
  void AwaitRoom(int) override {
    std::unique_lock lock(mutex_);
    woken_.wait(lock, [this] { return awake_; });
  }
  void Accept() {
    std::lock_guard lock(mutex_);
    full_ = false;
  }
  void Wake() {
    std::lock_guard lock(mutex_);
    full_ = false;
    awake_ = true;
    woken_.notify_all();
  }
  std::vector<uint64_t> Taken() {
    std::lock_guard lock(mutex_);
    return taken_;
  }

private:
  std::mutex mutex_;
  std::condition_variable woken_;
  bool full_ = true, awake_ = false;
  std::vector<uint64_t> taken_;
};

std::vector<uint64_t> OneTo(uint64_t last) {
  std::vector<uint64_t> numbers(last);
  for (uint64_t i = 0; i < last; ++i) numbers[i] = i + 1;
  return numbers;
}
}  // namespace

// A reader that takes nothing: the queue keeps exactly as many records as
// its limits allow (16,384 records, or 8 MiB: eight records of exactly 1 MiB
// with their numbers), drops the rest, and sends the kept ones in order once
// the reader takes them; the next record's number shows the gap.
TEST(LogBurst, AFullReaderKeepsExactlyWhatTheQueueHolds) {
  const struct {
    size_t textSize;  // before ";#seq;i<n>"
    size_t kept;
  } cases[] = {{1, RecordSender::kMaxRecords}, {RecordSender::kMaxBytes / 8 - 8, 8}};
  constexpr size_t kDropped = 3;
  for (const auto& c : cases) {
    GatedReader reader;
    RecordSender sender(reader);
    for (size_t i = 0; i < c.kept + kDropped; ++i) sender.Hand(std::string(c.textSize, 'r'), 0, 0);
    RecordSender::Counters counters = sender.GetCounters();
    EXPECT_EQ(counters.droppedOverflow, kDropped) << c.kept;
    EXPECT_EQ(counters.sent + counters.droppedQueueFull + counters.droppedNoReader + counters.droppedFailed, 0u);
    reader.Wake();
    sender.Shutdown();  // returns once the reader has taken every queued record
    sender.Hand("after", 0, 0);
    std::vector<uint64_t> expected = OneTo(c.kept);
    expected.push_back(c.kept + kDropped + 1);
    EXPECT_EQ(reader.Taken(), expected) << c.kept;
    counters = sender.GetCounters();
    EXPECT_EQ(counters.sent, c.kept + 1);
    EXPECT_EQ(counters.droppedOverflow, kDropped);
  }
}

// A record handed over while shutdown empties the queue goes behind the
// queued ones, even when the reader would take it at once.
TEST(LogBurst, ARecordDuringShutdownNeverOvertakesTheQueue) {
  GatedReader reader;
  RecordSender sender(reader);
  for (int i = 0; i < 3; ++i) sender.Hand("queued", 0, 0);
  std::thread shutdown([&] { sender.Shutdown(); });
  while (!sender.Draining()) std::this_thread::yield();
  reader.Accept();  // the reader has room, the sender's thread still waits
  sender.Hand("during", 0, 0);
  reader.Wake();
  shutdown.join();
  EXPECT_EQ(reader.Taken(), OneTo(4));
  EXPECT_EQ(sender.GetCounters().sent, 4u);
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
