// LoadConfiguration and SaveConfiguration through the exports: the common
// descriptive texts reach the driver, and saving never loses what the file
// held; `swmhost lint` finds each kind of mistake in a file.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "LogReader.h"
#include "support/LoadedModule.h"
#include "support/LoopbackPort.h"
#include "support/ShellCommand.h"
#include "support/TestFiles.h"

namespace {
std::string TempPath(const std::string& leaf) {
  return testing::TempDir() + "swm-config-" + std::to_string(getpid()) + "-" + leaf;
}

const LogRecord* FindRecord(const std::vector<LogRecord>& records, const std::string& function,
                            LogRecord::Kind kind) {
  for (const LogRecord& record : records)
    if (record.function == function && record.kind == kind) return &record;
  return nullptr;
}

std::string Value(const LogRecord& record, const std::string& name) {
  for (const LogRecordValue& value : record.values)
    if (value.name == name) return value.text;
  return "(missing)";
}
}  // namespace

TEST(Configuration, CommonTextsTitleTheDriversMessageBoxes) {
  LogReader log;
  swm::Module& m = LoadedModule();
  uint16_t id = 0;
  ASSERT_EQ(m.CreateNewDeviceDriver(0, "DEBUGSWITCHMATRIX", &id), DRV_OK);
  ASSERT_TRUE(log.AwaitConnection([&] { m.GetDriverVersion(0, 0xFFFF, nullptr); }));

  const std::string ini = TempPath("common.ini");
  const std::string text =
      "; bench 3\r\n[Common]\r\nDescription=Rack 3 switch\r\nDeviceBrand=Acme\r\nDeviceType=DSM\r\n"
      "AdvancedPressed=0\r\n\r\n[Other Program]\r\nkey = kept; as is\r\n";
  std::ofstream(ini, std::ios::binary) << text;
  ASSERT_EQ(m.LoadConfiguration(0, id, ini.c_str()), DRV_OK);
  ASSERT_EQ(m.SaveConfiguration(0, id, ini.c_str()), DRV_OK);
  EXPECT_EQ(ReadFile(ini), text) << "a driver without members of its own changes nothing";
  log.Drain();

  uint32_t event = SWM_EVENT_TestStarted;
  double value = 0;
  ASSERT_EQ(m.SetValue(0, id, SWM_VALUE_EVENT, &event, &value), DRV_OK);
  const auto records = log.Take(4);  // event begin, box begin and end, event end
  const LogRecord* box = FindRecord(records, "MessageBoxW", LogRecord::Kind::Begin);
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(Value(*box, "Title"), "Acme DSM Rack 3 switch");
  EXPECT_EQ(Value(*box, "Text"),
            "WARNING: Device driver is NOT yet initialized during this event!!!\nReceived Event: Test Started");
  EXPECT_EQ(m.RemoveDeviceDriver(0, id), DRV_OK);
}

TEST(Configuration, MissingOrUnreadableFilesLoadTheDefaults) {
  swm::Module& m = LoadedModule();
  uint16_t id = 0;
  ASSERT_EQ(m.CreateNewDeviceDriver(0, "DEBUGSWITCHMATRIX", &id), DRV_OK);
  const std::string directory = TempPath("a-directory");
  std::filesystem::create_directories(directory);
  const std::string paths[] = {TempPath("does-not-exist.ini"), directory, "", "/nonexistent/dir/x.ini"};
  for (const std::string& path : paths) {
    EXPECT_EQ(m.LoadConfiguration(0, id, path.c_str()), DRV_OK) << path;
    EXPECT_EQ(m.SaveConfiguration(0, id, path.c_str()), DRV_OK) << path;
  }
  EXPECT_TRUE(std::filesystem::is_directory(directory));
  EXPECT_EQ(m.LoadConfiguration(0, id, nullptr), DRV_OK);
  EXPECT_EQ(m.RemoveDeviceDriver(0, id), DRV_OK);
}

namespace {
// swmhost lint with the environment assignments before it; standard error is kept apart.
CommandRun Lint(const std::string& environment, const std::string& arguments, std::string* errors = nullptr) {
  const std::string errorFile = TempPath("lint-errors");
  const std::string command = "env SWMATRIX_MESSAGEBOX=ok " + environment + " '" SWM_BUILD_DIR "/bin/swmhost' lint " +
                              arguments + " 2>'" + errorFile + "'";
  const CommandRun run = RunCommand(command);
  if (errors) *errors = ReadFile(errorFile);
  return run;
}
}  // namespace

TEST(Configuration, LintReportsEachKindOfMistakeWithItsSectionAndKey) {
  const std::string dir = TempPath("lint");
  std::filesystem::create_directories(dir + "/ports");
  std::filesystem::create_symlink("/nonexistent/ttyUSB7", dir + "/ports/COM8");
  std::ofstream(dir + "/not-executable.sh") << "#!/bin/sh\n";
  LoopbackPort refusing(LoopbackPort::kRefusing);
  const std::string ports = "SWMATRIX_PORTS='" + dir + "/ports'";
  struct Case {
    const char* key;
    std::string text;
    std::string environment;
    std::string finding;  // the line, after "FILE: "
  };
  std::string utf16Misspelt = "\xFF\xFE";  // UTF-16 LE, as Windows' profile functions write it
  for (const char c : std::string("[HublineSwitch]\r\nRelias=1\r\n")) utf16Misspelt += std::string{c, '\0'};
  const Case cases[] = {
      {"HUBLINE4PORT", "[HublineSwitch]\nRelias1Start=1\n", "", "[HublineSwitch] Relias1Start: not read by HUBLINE4PORT"},
      {"HUBLINE4PORT", utf16Misspelt, "", "[HublineSwitch] Relias: not read by HUBLINE4PORT"},
      {"HUBLINE4PORT", "[EUTController]\nQueryTimeoutMilliseconds=350\n", "",
       "[EUTController] QueryTimeoutMilliseconds: not read by HUBLINE4PORT"},
      {"HUBLINE4PORT", "[Common]\nDeviceID=12\n", "",
       "[Common] DeviceID: '12' is not taken as written: the driver keeps '8'"},
      {"HP11713A", "[GPIB]\nPriAdr=twenty\n", "SWMATRIX_GPIB_LIBRARY=/nonexistent/libgpib.so.0",
       "[GPIB] PriAdr: 'twenty' is not taken as written: the driver keeps '0'"},
      {"HUBLINE4PORT", "[Stream Config]\nSelected=Carrier pigeon\n", "",
       "[Stream Config] Selected: 'Carrier pigeon' is not taken as written: the driver keeps '"},
      {"HUBLINE4PORT", "[HublineSwitch]\nRelais1Start=1\nRelais1Start=2\n", "",
       "[HublineSwitch] Relais1Start: the key appears again in the section; only its first value counts"},
      {"HUBLINE4PORT", "[Stream Config]\nSelected=RS-232\n[Stream Config.RS232]\nCOMPort=9\n", ports,
       "[Stream Config.RS232] COMPort: COM9 has no device: there is no link " + dir + "/ports/COM9"},
      {"HUBLINE4PORT", "[Stream Config]\nSelected=RS-232\n[Stream Config.RS232]\nCOMPort=8\n", ports,
       "[Stream Config.RS232] COMPort: COM8 has no device: " + dir +
           "/ports/COM8 links to /nonexistent/ttyUSB7, which does not exist"},
      {"HP11713A", "[GPIB]\nBoard=2\n", "SWMATRIX_GPIB_LIBRARY='" SWM_BUILD_DIR "/lib/sim/libgpib.so.0' IB_CONFIG=/nonexistent",
       "[GPIB] Board: GPIB board 2 is not configured (the GPIB library knows no board GPIB2 nor board index 2)"},
      {"HP11713A", "[GPIB]\nBoard=0\n", "SWMATRIX_GPIB_LIBRARY=/nonexistent/libgpib.so.0",
       "[GPIB] Board: the GPIB library /nonexistent/libgpib.so.0 cannot be loaded: "},
      {"HUBLINE4PORT", "[Stream Config]\nSelected=VISA\n", "SWMATRIX_VISA_LIBRARY=/nonexistent/libvisa.so",
       "[Stream Config.VISA] Identifier: no VISA library can be loaded (/nonexistent/libvisa.so: "},
      {"EXTERNAL_PROGRAM", "[Program]\nBefore=/nonexistent/pre.sh start\n", "",
       "[Program] Before: the program /nonexistent/pre.sh does not exist"},
      {"EXTERNAL_PROGRAM", "[Program]\nAfter=no-such-program-here --now\n", "",
       "[Program] After: the program no-such-program-here is not found in PATH"},
      {"EXTERNAL_PROGRAM", "[Program]\nAfter='" + dir + "/not-executable.sh'\n", "",
       "[Program] After: the program " + dir + "/not-executable.sh is not executable"},
      {"EXTERNAL_PROGRAM", "[Program]\nBefore=\"C:\\EMC\\pre.exe\"\n", "",
       "[Program] Before: 'C:\\EMC\\pre.exe' is a path in the Windows form"},
      {"VTXEUTSTATUS",
       "[EUTController.Stream Config]\nSelected=TCPIP\n[EUTController.Stream Config.Ethernet]\nAddress=127.0.0.1:" +
           std::to_string(refusing.Port()) + "\n",
       "--connect", "CheckDevice -> 0x"},
  };
  const std::string file = dir + "/bench.ini";
  for (const Case& c : cases) {
    std::ofstream(file, std::ios::binary | std::ios::trunc) << c.text;
    const bool connect = c.environment == "--connect";
    std::string errors;
    const CommandRun run = Lint(connect ? "" : c.environment, (connect ? "--connect " : "") + std::string(c.key) + " '" + file + "'", &errors);
    EXPECT_EQ(run.exitCode, 1) << c.finding;
    EXPECT_NE(("\n" + run.output).find("\n" + file + ": " + c.finding), std::string::npos)
        << "wanted: " << c.finding << "\ngot:\n" << run.output;
    EXPECT_EQ(errors, "") << c.finding;
  }

  // A file without a mistake: nothing at all, exit 0; a key that creates no driver: 2.
  std::ofstream(file, std::ios::binary | std::ios::trunc) << "[Common]\nDescription=Rack 3\n";
  const CommandRun clean = Lint("", "DEBUGSWITCHMATRIX '" + file + "' '" + file + "'");
  EXPECT_EQ(clean.exitCode, 0);
  EXPECT_EQ(clean.output, "");
  std::string errors;
  const CommandRun unknown = Lint("", "NO_SUCH_KEY '" + file + "'", &errors);
  EXPECT_EQ(unknown.exitCode, 2);
  EXPECT_EQ(unknown.output, "");
  EXPECT_NE(errors.find("no driver of type NO_SUCH_KEY"), std::string::npos) << errors;
  std::filesystem::remove_all(dir);
}
