// swmhost runs host scripts against the built module.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <fstream>
#include <memory>
#include <string>

namespace {
struct HostRun {
  int exitCode;
  std::string output;
};

HostRun RunHost(const std::string& script) {
  const std::string path = testing::TempDir() + "swmhost_script_" +
                           testing::UnitTest::GetInstance()->current_test_info()->name() + ".txt";
  std::ofstream(path) << script;
  const std::string command = "SWMATRIX_MESSAGEBOX=cancel '" SWM_BUILD_DIR "/bin/swmhost' run '" + path + "' 2>/dev/null";
  HostRun run{-1, {}};
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return run;
  char buffer[4096];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) run.output.append(buffer, n);
  const int status = pclose(pipe);
  run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}
}  // namespace

TEST(Swmhost, RunsAScriptAndReportsStatusesWithTheirTexts) {
  const HostRun run = RunHost(R"(# comment line
create sw debugswitchmatrix
version sw 2019.1.8
error sw 0x300002E4
request sw InterlockClosed
event sw 7 123.5
remove sw
check sw
create x OSP120
)");
  EXPECT_EQ(run.exitCode, 1);
  const char* expected =
      "create sw debugswitchmatrix -> 0x00000000 id 0\n"
      "version sw 2019.1.8 -> 0x300000D7 \"The used Vantorix version is too old. This driver can only "
      "be used in Vantorix version 2019.1.9 and higher\"\n"
      "error sw 0x300002E4 -> 0x00000000\n"
      "  text \"The response of a TCPIP controlled device is larger than expected.\"\n"
      "request sw InterlockClosed -> 0x30000007\n"
      "  answer 1\n"
      "event sw 7 123.5 -> 0x30000007\n"
      "remove sw -> 0x00000000\n"
      "error: no driver named 'sw'\n"
      "create x OSP120 -> 0x300000CF\n";
  EXPECT_EQ(run.output, expected);
}

TEST(Swmhost, RejectsMalformedLinesWithoutCrashing) {
  const HostRun run = RunHost("create\nevent\ncreate a DEBUGSWITCHMATRIX\nevent a NoSuchEvent\n"
                          "event a 7 abc\nsetting a x y\nfrobnicate a\n\"unterminated\n");
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_NE(run.output.find("error: unknown event 'NoSuchEvent'"), std::string::npos) << run.output;
  EXPECT_NE(run.output.find("error: event value 'abc' is not a number"), std::string::npos);
  EXPECT_NE(run.output.find("error: unknown command 'frobnicate'"), std::string::npos);
}

TEST(Swmhost, SucceedsWhenEveryCallSucceeds) {
  const HostRun run = RunHost("create a DEBUGSWITCHMATRIX\ninit a\ncheck a\nremove a\n");
  EXPECT_EQ(run.exitCode, 0) << run.output;
}
