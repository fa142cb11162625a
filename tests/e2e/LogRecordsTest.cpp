// The log records of real export calls, read from a private socket.
#include <gtest/gtest.h>
#include <unistd.h>

#include <barrier>
#include <functional>
#include <map>
#include <thread>

#include "LogReader.h"
#include "support/LoadedModule.h"
#include "swmatrix/events.h"

namespace {
using Texts = std::vector<std::string>;

class LoggedExports : public ::testing::Test {
protected:
  void SetUp() override {
    for (int i = 0; i < 4; ++i) {
      uint16_t id = 0;
      ASSERT_EQ(m.CreateNewDeviceDriver(0, "DEBUGSWITCHMATRIX", &id), DRV_OK);
      ids.push_back(id);
    }
    ASSERT_EQ(ids[3], 3) << "a fresh module hands out IDs from 0";
    ASSERT_TRUE(log.AwaitConnection([&] { m.GetDriverVersion(0, 0xFFFF, nullptr); }));
  }
  void TearDown() override {
    for (uint16_t id : ids) m.RemoveDeviceDriver(0, id);
  }

  LogReader log;  // bound before the module is loaded, so that it connects at once
  swm::Module& m = LoadedModule();
  std::vector<uint16_t> ids;
};

void ExpectCall(const LogRecord& begin, const LogRecord& end, const std::string& function, const std::string& module) {
  EXPECT_EQ(begin.kind, LogRecord::Kind::Begin);
  EXPECT_EQ(end.kind, LogRecord::Kind::End);
  EXPECT_EQ(begin.pid, static_cast<uint32_t>(getpid()));
  EXPECT_EQ(end.pid, begin.pid);
  EXPECT_EQ(end.scope, begin.scope);
  EXPECT_LE(begin.TimeMs(), end.TimeMs());
  EXPECT_EQ(begin.function + "/" + begin.module, function + "/" + module);
  EXPECT_EQ(end.function + "/" + end.module, function + "/" + module);
  EXPECT_EQ(begin.type, "Note");
}
}  // namespace

TEST_F(LoggedExports, CheckDeviceWritesItsBeginAndEnd) {
  EXPECT_EQ(m.CheckDevice(0, 3), DRV_OK);
  const auto records = log.Take(2);
  ASSERT_EQ(records.size(), 2u);
  ExpectCall(records[0], records[1], "CheckDevice", "DeviceDriver");
  EXPECT_EQ(records[0].Description(), "CheckDevice(3)");
  EXPECT_EQ(ValueTexts(records[0]), (Texts{"[!input]description=CheckDevice(3)", "[!input]DeviceID=3"}));
  EXPECT_EQ(records[1].type, "Complete");
  EXPECT_EQ(ValueTexts(records[1]), (Texts{"[!output]Err=0"}));

  // Only the low 16 bits of the ID argument count.
  EXPECT_EQ(m.CheckDevice(0, 0x00050003), DRV_OK);
  EXPECT_EQ(log.Take(2).at(0).Description(), "CheckDevice(3)");
}

TEST_F(LoggedExports, AnUnknownIdEndsWithAnError) {
  EXPECT_EQ(m.CheckDevice(0, 77), DRV_ERR_UNKNOWN_DEVICE_ID);
  auto records = log.Take(2);
  ASSERT_EQ(records.size(), 2u);
  ExpectCall(records[0], records[1], "CheckDevice", "DeviceDriver");
  EXPECT_EQ(records[0].Description(), "CheckDevice(77)");
  EXPECT_EQ(records[1].type, "Error");
  EXPECT_EQ(ValueTexts(records[1]), (Texts{"[!output]Err=805306576"}));

  // Removing twice: the second removal finds no driver.
  EXPECT_EQ(m.RemoveDeviceDriver(0, 2), DRV_OK);
  EXPECT_EQ(m.RemoveDeviceDriver(0, 2), DRV_ERR_UNKNOWN_DEVICE_ID);
  records = log.Take(4);
  ASSERT_EQ(records.size(), 4u);
  EXPECT_EQ(records[1].type, "Complete");
  EXPECT_EQ(records[2].Description(), "RemoveDeviceDriver(2)");
  EXPECT_EQ(records[3].type, "Error");
  EXPECT_EQ(ValueTexts(records[3]), (Texts{"[!output]Err=805306576"}));
}

TEST_F(LoggedExports, GetErrorStringLogsTheTextItReturns) {
  char buffer[256];
  uint32_t read = 0;
  EXPECT_EQ(m.GetErrorString(0, 3, DRV_ERR_HOST_VERSION_TOO_OLD, buffer, sizeof buffer, &read), DRV_OK);
  const std::string text(buffer, read);
  ASSERT_FALSE(text.empty());
  const auto records = log.Take(2);
  ASSERT_EQ(records.size(), 2u);
  ExpectCall(records[0], records[1], "GetErrorString", "DeviceDriver");
  EXPECT_EQ(ValueTexts(records[0]), (Texts{"[!input]description=GetErrorString(3, 805306583, (..))",
                                           "[!input]DeviceID=3", "[!input]BufferSize=256", "[!input]Err=805306583"}));
  EXPECT_EQ(records[1].type, "Complete");
  const std::string count = std::to_string(read);
  EXPECT_EQ(ValueTexts(records[1]),
            (Texts{"[!output]description=GetErrorString(3, 805306583, \"" + text + "\", 256, " + count + ")",
                   "[!output]Description=" + text, "[!output]Read=" + count, "[!output]Err=0"}));
}

TEST_F(LoggedExports, GetInfoLogsTheValueAsAReal) {
  double value = 2.5;
  EXPECT_EQ(m.GetInfo(0, 3, 9999, &value), DRV_ERR_UNKNOWN_INFO_ID);
  const auto records = log.Take(2);
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(ValueTexts(records[0]),
            (Texts{"[!input]description=GetInfo(3, 9999, (..))", "[!input]DeviceID=3", "[!input]Info=9999"}));
  EXPECT_EQ(records[1].type, "Error");
  EXPECT_EQ(ValueTexts(records[1]), (Texts{"[!output]description=GetInfo(3, 9999, 2.5)", "[!output]Value=2.5",
                                           "[!output]Err=805306579"}));
  EXPECT_EQ(records[1].values[1].kind, LogRecordValue::Kind::Real);
}

TEST_F(LoggedExports, AHostEventIsLoggedByTheSwitchMatrix) {
  uint32_t event = SWM_EVENT_FrequencyChanged;
  double frequency = 123.5;
  EXPECT_EQ(m.SetValue(0, 3, SWM_VALUE_EVENT, &event, &frequency), DRV_OK);
  // The debug switch matrix shows every event in a (logged) message box.
  const auto records = log.Take(4);
  ASSERT_EQ(records.size(), 4u);
  ExpectCall(records[0], records[3], "HandleEvent", "SwitchMatrixBase");
  EXPECT_EQ(records[0].Description(), "HandleEvent(FrequencyChanged, 123.5)");
  EXPECT_EQ(ValueTexts(records[0]),
            (Texts{"[!input]description=HandleEvent(FrequencyChanged, 123.5)", "[!input]event=7",
                   "[!input]eventName=FrequencyChanged", "[!input]eventValue=123.5"}));
  ExpectCall(records[1], records[2], "MessageBoxW", "DeviceDriver");
  EXPECT_NE(records[1].scope, records[0].scope);
  EXPECT_EQ(records[3].type, "Complete");
  EXPECT_EQ(ValueTexts(records[3]), (Texts{"[!output]Err=0"}));
}

TEST_F(LoggedExports, RecordsOfSeveralThreadsNeverInterleave) {
  constexpr int kThreads = 4;
  constexpr int kRounds = 30;
  // Every round each thread makes one logged call on its own driver; the
  // round's 8 records fit the reader's queue, which the test empties between rounds.
  std::barrier start(kThreads + 1), done(kThreads + 1);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      char buffer[512];
      uint32_t read = 0;
      for (int round = 0; round < kRounds; ++round) {
        start.arrive_and_wait();
        m.GetErrorString(0, static_cast<uint32_t>(t), DRV_ERR_HOST_VERSION_TOO_OLD, buffer, sizeof buffer, &read);
        done.arrive_and_wait();
      }
    });
  }
  for (int round = 0; round < kRounds; ++round) {
    start.arrive_and_wait();
    done.arrive_and_wait();
    std::map<std::string, const LogRecord*> begins;
    const auto records = log.Take(2 * kThreads);
    ASSERT_EQ(records.size(), size_t{2 * kThreads});
    for (const LogRecord& record : records) {
      EXPECT_EQ(record.function, "GetErrorString");
      if (record.kind == LogRecord::Kind::Begin) {
        begins[record.scope] = &record;
        continue;
      }
      ASSERT_TRUE(begins.count(record.scope)) << "an end without its begin";
      const std::string id = begins[record.scope]->values.at(1).text;  // DeviceID
      EXPECT_EQ(record.Description().substr(0, 17), "GetErrorString(" + id + ",");
      begins.erase(record.scope);
    }
    EXPECT_TRUE(begins.empty());
  }
  for (auto& thread : threads) thread.join();
}

TEST_F(LoggedExports, EveryExportWorksWithoutAReader) {
  struct Call {
    const char* name;
    std::function<uint32_t()> call;
    uint32_t expected;
  };
  char buffer[128] = "untouched";
  uint32_t count = 0;
  double value = 0;
  uint32_t event = SWM_EVENT_FrequencyChanged;
  double frequency = 80;
  const Call calls[] = {
      {"CheckDevice", [&] { return m.CheckDevice(0, 1); }, DRV_OK},
      {"InitDevice", [&] { return m.InitDevice(0, 1); }, DRV_OK},
      {"CheckDevice unknown", [&] { return m.CheckDevice(0, 99); }, DRV_ERR_UNKNOWN_DEVICE_ID},
      {"GetDriverVersion", [&] { return m.GetDriverVersion(0, 1, nullptr); }, DRV_ERR_NOT_IMPLEMENTED},
      {"GetErrorString", [&] { return m.GetErrorString(0, 1, DRV_ERR_VISA_NOT_FOUND, buffer, sizeof buffer, &count); },
       DRV_OK},
      {"GetInfo", [&] { return m.GetInfo(0, 1, 9999, &value); }, DRV_ERR_UNKNOWN_INFO_ID},
      {"SetValue event", [&] { return m.SetValue(0, 1, SWM_VALUE_EVENT, &event, &frequency); }, DRV_OK},
      {"DeInitDevice", [&] { return m.DeInitDevice(0, 1); }, DRV_OK},
  };
  for (const Call& c : calls) EXPECT_EQ(c.call(), c.expected) << c.name << " with a reader";
  log.Drain();
  log.Close();
  for (const Call& c : calls) EXPECT_EQ(c.call(), c.expected) << c.name << " without a reader";
  EXPECT_EQ(std::string(buffer, count), "Could not find VISA32.DLL. Is VISA installed?");
}
