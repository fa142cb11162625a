#include "interface/StartupTrace.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "TraceDirectory.h"
#include "platform/ProcessInfo.h"

TEST(StartupTrace, FormatsTheTimeStampBeforeTheText) {
  EXPECT_EQ(StartupTrace::FormatLine(9, 5, 3, 7, "Dynamic load"), " 9:05:03.007 Dynamic load\n");
  EXPECT_EQ(StartupTrace::FormatLine(23, 59, 59, 999, ""), "23:59:59.999 \n");
  EXPECT_EQ(StartupTrace::FormatLine(0, 0, 0, 0, "a;b"), " 0:00:00.000 a;b\n");
}

TEST(StartupTrace, AppendsALineAndSendsARecordOnlyWhenTheFileExists) {
  LogReceiver log;
  TraceDirectory with(true);
  StartupTrace trace;
  trace.Configure(with.Path());
  ASSERT_TRUE(trace.Enabled());
  trace.Line("wxDLLApp", "first step");
  trace.Line("wxDLLApp", "second; step");
  EXPECT_EQ(with.Lines(), (std::vector<std::string>{"first step", "second; step"}));
  const auto records = log.Take(2);
  ASSERT_EQ(records.size(), 2u);
  const auto first = HeaderAndContent(records[0], 6);
  EXPECT_EQ(first[0] + "|" + first[2] + "|" + first[3] + "|" + first[4] + "|" + first[5],
            "!logn|---|DDL_log_data|wxDLLApp|Note");
  EXPECT_EQ(first[6], "!general;DDLOG;DDLOG Description;a10:first step");
  EXPECT_EQ(HeaderAndContent(records[1], 6)[6], "!general;DDLOG;DDLOG Description;a12:second; step");

  TraceDirectory without(false);
  StartupTrace off;
  off.Configure(without.Path());
  EXPECT_FALSE(off.Enabled());
  off.Line("wxDLLApp", "nothing");
  EXPECT_FALSE(without.FileExists()) << "the trace file is never created";
  EXPECT_TRUE(log.Idle()) << "no record without the trace file";
}

TEST(StartupTrace, LooksForTheFileNextToTheLogSocketUnlessTold) {
  const std::string savedTrace = ProcessInfo::Environment("SWMATRIX_TRACE_DIR");
  const std::string savedSocket = ProcessInfo::Environment("SWMATRIX_LOG_SOCKET");
  setenv("SWMATRIX_TRACE_DIR", "/some/where", 1);
  EXPECT_EQ(StartupTrace::DefaultDirectory(), "/some/where");
  unsetenv("SWMATRIX_TRACE_DIR");
  setenv("SWMATRIX_LOG_SOCKET", "/run/user/7/JournexSlot", 1);
  EXPECT_EQ(StartupTrace::DefaultDirectory(), "/run/user/7");
  setenv("SWMATRIX_LOG_SOCKET", "/JournexSlot", 1);
  EXPECT_EQ(StartupTrace::DefaultDirectory(), "/");
  savedTrace.empty() ? unsetenv("SWMATRIX_TRACE_DIR") : setenv("SWMATRIX_TRACE_DIR", savedTrace.c_str(), 1);
  savedSocket.empty() ? unsetenv("SWMATRIX_LOG_SOCKET") : setenv("SWMATRIX_LOG_SOCKET", savedSocket.c_str(), 1);
}
