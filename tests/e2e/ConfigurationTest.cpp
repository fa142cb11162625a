// LoadConfiguration and SaveConfiguration through the exports: the common
// descriptive texts reach the driver, and saving never loses what the file held.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "LogReader.h"
#include "support/LoadedModule.h"
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
