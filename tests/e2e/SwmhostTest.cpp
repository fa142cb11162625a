// swmhost runs host scripts against the built module.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <cstdio>
#include <fstream>
#include <memory>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "sim/core/Simulator.h"
#include "support/LoopbackResponder.h"
#include "support/ShellCommand.h"
#include "support/TestFiles.h"

namespace {
CommandRun RunHost(const std::string& script) {
  const std::string path = testing::TempDir() + "swmhost_script_" +
                           testing::UnitTest::GetInstance()->current_test_info()->name() + ".txt";
  std::ofstream(path) << script;
  return RunCommand("SWMATRIX_MESSAGEBOX=cancel '" SWM_BUILD_DIR "/bin/swmhost' run '" + path + "' 2>/dev/null");
}

// The text between the first line that starts with `from` and the next line
// that does not start with two blanks.
std::string StepOutput(const std::string& output, const std::string& from) {
  size_t begin = output.find("\n" + from);
  if (begin == std::string::npos) return "";
  begin = output.find('\n', begin + 1) + 1;
  size_t end = begin;
  while (output.compare(end, 2, "  ") == 0) end = output.find('\n', end) + 1;
  return output.substr(begin, end - begin);
}
}  // namespace

TEST(Swmhost, RunsAScriptAndReportsStatusesWithTheirTexts) {
  const CommandRun run = RunHost(R"(# comment line
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
      "create x OSP120 -> 0x300000CF \"no driver for the type key 'OSP120' in this module (did you mean OSP_120? "
      "'swmhost keys' lists them)\"\n";
  EXPECT_EQ(run.output, expected);

  // `swmhost keys` lists exactly the keys that create a driver, sorted, with
  // the class and the simulator family that serves it.
  const CommandRun keys = RunCommand("SWMATRIX_MESSAGEBOX=ok '" SWM_BUILD_DIR "/bin/swmhost' keys 2>/dev/null");
  EXPECT_EQ(keys.exitCode, 0);
  EXPECT_NE(keys.output.find("\nDEBUGSWITCHMATRIX\tDebugSwitchMatrix\t-\n"), std::string::npos) << keys.output;
  EXPECT_NE(keys.output.find("\nHUBLINE4PORT\tHublineSwitch\thubline\n"), std::string::npos);
  EXPECT_NE(keys.output.find("\nOSP_220\tOSP::OSP220\tosp\n"), std::string::npos);
  EXPECT_EQ(keys.output.find("SIGNEX_CAL"), std::string::npos);  // a family this module does not build
  std::istringstream lines(keys.output);
  std::vector<std::string> listed;
  for (std::string line; std::getline(lines, line);) listed.push_back(line.substr(0, line.find('\t')));
  EXPECT_TRUE(std::is_sorted(listed.begin(), listed.end()));

  // The dialog command writes statuses as scripts do: eight hex digits.
  const CommandRun dialog = RunCommand("'" SWM_BUILD_DIR "/bin/swmhost' dialog NOKEY 2>/dev/null");
  EXPECT_EQ(dialog.exitCode, 1);
  EXPECT_EQ(dialog.output, "create NOKEY -> 0x300000CF\n");
}

TEST(Swmhost, NamesTheNearestCommandEventRequestAndDriverAndQuits) {
  const CommandRun run = RunHost("create sw DEBUGSWITCHMATRIX\nchek sw\nevent sw FrequncyChanged 80\n"
                              "request sw interlock\nrequest sw Interlok\ncheck ws\nevent sw Zzzzzzzz\nquit\ncheck sw\n");
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(run.output,
            "create sw DEBUGSWITCHMATRIX -> 0x00000000 id 0\n"
            "error: unknown command 'chek' (did you mean check? try help)\n"
            "error: unknown event 'FrequncyChanged' (did you mean FrequencyChanged? 'events' lists them)\n"
            "error: unknown request 'interlock' (did you mean InterlockClosed? 'events' lists them)\n"
            "error: unknown request 'Interlok' (did you mean InterlockClosed? 'events' lists them)\n"
            "error: no driver named 'ws' (did you mean sw? 'drivers' lists them)\n"
            "error: unknown event 'Zzzzzzzz' ('events' lists them)\n");

  // Every event and request by number and name, with what its value is.
  const CommandRun events = RunCommand("'" SWM_BUILD_DIR "/bin/swmhost' events");
  EXPECT_EQ(events.exitCode, 0);
  for (const char* line : {"\n   1  TestStarted                             no value\n",
                           "\n   7  FrequencyChanged                        a real number\n",
                           "\n  15  DeviceDriverCheckStarted                a whole number (a fraction is dropped)\n",
                           "\n  62  SendPilotInterfaceData                  a text\n",
                           "\n  84  PositionerPositionMovementPercentage    a real number\n",
                           "\n   4  RetrievePilotInterfaceData              a text\n"})
    EXPECT_NE(events.output.find(line), std::string::npos) << line << events.output;
  EXPECT_EQ(std::count(events.output.begin(), events.output.end(), '\n'), 84 + 4 + 2);
}

// A call that waits for a silent instrument over a second is reported with
// its duration on standard error; standard output stays as it was.
TEST(Swmhost, ReportsTheDurationOfASlowCall) {
  LoopbackResponder silent(LoopbackResponder::Mode::kSilent);
  TestDirectory dir;
  std::ofstream(dir.File("silent.ini")) << "[SwitchMatrix.ConfigurableDeviceDriverBase]\nGetID=*IDN?\n"
                                           "ReturnedID=X\nTimeOutTimeSeconds=1.2\n"
                                           "[SwitchMatrix.Stream Config]\nSelected=TCPIP\n"
                                           "[SwitchMatrix.Stream Config.Ethernet]\nAddress=127.0.0.1:"
                                        << silent.Port() << "\n";
  std::ofstream(dir.File("script.txt")) << "create w KOVALEXWTXSWITCH\nload w " << dir.File("silent.ini")
                                        << "\ncheck w\n";
  const CommandRun run = RunCommand("'" SWM_BUILD_DIR "/bin/swmhost' run '" + dir.File("script.txt") + "' 2>'" +
                                 dir.File("err.txt") + "'");
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_NE(run.output.find("\ncheck w -> 0x30000097 \"Nothing answered the identification query"), std::string::npos)
      << run.output;
  EXPECT_EQ(run.output.find("took"), std::string::npos);
  const std::string err = ReadFile(dir.File("err.txt"));
  // One line; the call cannot take less than the 1.2 s time-out.
  ASSERT_TRUE(err.rfind("  took ", 0) == 0 && err.size() > 10 && err.ends_with(" s\n")) << err;
  EXPECT_GE(std::stod(err.substr(7)), 1.2) << err;
  EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
}

TEST(Swmhost, RejectsMalformedLinesWithoutCrashing) {
  const CommandRun run = RunHost("create\nevent\ncreate a DEBUGSWITCHMATRIX\nevent a NoSuchEvent\n"
                          "event a 7 abc\nsetting a x y\nfrobnicate a\n\"unterminated\n");
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_NE(run.output.find("error: unknown event 'NoSuchEvent'"), std::string::npos) << run.output;
  EXPECT_NE(run.output.find("error: event value 'abc' is not a number"), std::string::npos);
  EXPECT_NE(run.output.find("error: unknown command 'frobnicate'"), std::string::npos);
}

TEST(Swmhost, SucceedsWhenEveryCallSucceeds) {
  const CommandRun run = RunHost("create a DEBUGSWITCHMATRIX\ninit a\ncheck a\nremove a\n");
  EXPECT_EQ(run.exitCode, 0) << run.output;
}

// A script that cannot be read: the program says which and why.
TEST(Swmhost, AScriptThatCannotBeReadIsNamedWithTheReason) {
  const std::string missing = testing::TempDir() + "swmhost_no_such_script.txt";
  const std::string directory = testing::TempDir();
  const std::pair<std::string, std::string> cases[] = {
      {missing, "swmhost: cannot read " + missing + ": No such file or directory\n"},
      {directory, "swmhost: cannot read " + directory + ": Is a directory\n"},
  };
  for (const auto& [path, text] : cases) {
    const CommandRun run = RunCommand("'" SWM_BUILD_DIR "/bin/swmhost' run '" + path + "' 2>&1");
    EXPECT_EQ(run.exitCode, 2) << path;
    EXPECT_EQ(run.output, text);
  }
}

// A script asks the simulator what its instruments received and their
// state, and `run --check` checks its "# expect" lines after the last call:
// each is reported, and one that does not hold fails the run.
TEST(Swmhost, AsksTheSimulatorAndChecksTheExpectationsOfAScript) {
  TestDirectory dir;
  std::filesystem::create_directories(dir.File("ports"));
  sim::Simulator simulator;
  simulator.SetPortsDirectory(dir.File("ports"));
  simulator.Add("hub", {{"family", "hubline"}, {"transport", "pty"}, {"com", "1"}, {"firmware", "4.1.0"},
                        {"slot1", "relay2"}, {"slot3", "relay4"}});
  ASSERT_EQ(simulator.ListenControl(dir.File("lab.ctl")), "");
  const std::string script = dir.File("bench.swmhost");
  std::ofstream(script) << "create hub HUBLINE4PORT\nload hub " SWM_SOURCE_DIR "/docs/examples/hubline-demo.ini\n"
                           "init hub\nevent hub InitialisationStarted\nreceived hub\nstate hb\nstate hub\n"
                           "# expect received hub S3:INT_RELAY_A_NC\n"
                           "# expect received hub S3:NO_SUCH\n"
                           "# expect output init hub -> 0x00000000\n"
                           "# expect file " + dir.File("none.txt") + "\n";
  const std::string environment =
      "SWMATRIX_PORTS='" + dir.File("ports") + "' SWMATRIX_SIM_CONTROL='" + dir.File("lab.ctl") + "' ";
  const CommandRun run = RunCommand(environment + "'" SWM_BUILD_DIR "/bin/swmhost' run --check '" + script + "' 2>&1");
  EXPECT_EQ(run.exitCode, 1);
  const std::string received = "'*IDN?' 'SYSTEM:KLOCK 1' 'S3:INT_RELAY_A_NC' 'S3:INT_RELAY_B_NO' 'S3:EXT_RELAY_1_ACTIVE'";
  for (const std::string& text :
       {std::string("\nreceived hub -> 5 commands\n  *IDN?\n  SYSTEM:KLOCK 1\n  S3:INT_RELAY_A_NC\n"),
        std::string("\nerror: simulator: no instrument named hb (did you mean hub?)\nstate hub\n  "),
        std::string("\n  family: hubline\n"),
        "\nexpect received hub S3:INT_RELAY_A_NC -> ok\n"
        "expect received hub S3:NO_SUCH -> FAILED: hub received no such command; it received " + received + "\n"
        "expect output init hub -> 0x00000000 -> ok\n"
        "expect file " + dir.File("none.txt") + " -> FAILED: there is no file " + dir.File("none.txt") +
            " (or it is empty)\n"
        "check: 1 calls and 2 of 4 expectations failed\n"})
    EXPECT_NE(run.output.find(text), std::string::npos) << text << "\n---\n" << run.output;

  // A script that expects nothing checks nothing: that fails.
  std::ofstream(script) << "create a DEBUGSWITCHMATRIX\n";
  const CommandRun unchecked = RunCommand("'" SWM_BUILD_DIR "/bin/swmhost' run --check '" + script + "' 2>&1");
  EXPECT_EQ(unchecked.exitCode, 1);
  EXPECT_EQ(unchecked.output, "swmhost: " + script + " checks nothing (no '# expect' line; see swmhost(1))\n");
}

TEST(Swmhost, DemoSwitchesTheRelaysOfTheSimulatedUnitAndSavesTheConfiguration) {
  const CommandRun run = RunCommand("'" SWM_BUILD_DIR "/bin/swmhost' demo 2>&1");
  ASSERT_EQ(run.exitCode, 0) << run.output;
  struct Expectation {
    std::string step;
    std::string output;
  };
  const Expectation steps[] = {
      {"init hub -> 0x00000000",
       "  unit received: *IDN? SYSTEM:KLOCK 1\n"
       "  unit: remote, keyboard locked\n"
       "  S1 relay2 TQS2PA: A=NC B=NC, out 1=IDLE 2=IDLE 3=IDLE 4=IDLE\n"
       "  S3 relay4 TQS4PA: A=NC B=NC C=NC D=NC, out 1=IDLE 2=IDLE 3=IDLE 4=IDLE\n"},
      {"event hub InitialisationStarted -> 0x00000000",
       "  unit received: S3:INT_RELAY_A_NC S3:INT_RELAY_B_NO S3:EXT_RELAY_1_ACTIVE\n"
       "  unit: remote, keyboard locked\n"
       "  S1 relay2 TQS2PA: A=NC B=NC, out 1=IDLE 2=IDLE 3=IDLE 4=IDLE\n"
       "  S3 relay4 TQS4PA: A=NC B=NO C=NC D=NC, out 1=ACTIVE 2=IDLE 3=IDLE 4=IDLE\n"},
      {"request hub InterlockClosed -> 0x00000000", "  answer 1\n  unit received: S3:INT_RELAY_A?\n"},
      {"event hub TestStopped -> 0x00000000",
       "  unit received: S3:INT_RELAY_B_NC S3:EXT_RELAY_1_IDLE\n"
       "  unit: remote, keyboard locked\n"
       "  S1 relay2 TQS2PA: A=NC B=NC, out 1=IDLE 2=IDLE 3=IDLE 4=IDLE\n"
       "  S3 relay4 TQS4PA: A=NC B=NC C=NC D=NC, out 1=IDLE 2=IDLE 3=IDLE 4=IDLE\n"},
      {"deinit hub -> 0x00000000",
       "  unit received: SYSTEM:KLOCK 0 S3:LOCAL LOCAL\n"
       "  unit: local, keyboard free\n"
       "  S1 relay2 TQS2PA: A=NC B=NC, out 1=IDLE 2=IDLE 3=IDLE 4=IDLE\n"
       "  S3 relay4 TQS4PA: A=NC B=NC C=NC D=NC, out 1=IDLE 2=IDLE 3=IDLE 4=IDLE\n"},
  };
  for (const Expectation& step : steps) EXPECT_EQ(StepOutput(run.output, step.step), step.output) << step.step;
  // The address of the simulator's live view, with its token.
  EXPECT_TRUE(std::regex_search(run.output, std::regex("\nweb http://127\\.0\\.0\\.1:[0-9]+/\\?token=[0-9a-f]{32}\n")))
      << run.output;
  const size_t saved = run.output.find("# saved configuration");
  ASSERT_NE(saved, std::string::npos) << run.output;
  for (const char* line : {"\nDeviceID=3\n", "\nSelected=RS-232\n", "\nRelais2Start=1\n", "\nRelais5Stop=2\n"})
    EXPECT_NE(run.output.find(line, saved), std::string::npos) << line;
}
