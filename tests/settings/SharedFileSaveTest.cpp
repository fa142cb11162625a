// Saving into shared places: a file whose folder the user may not write is
// written in place; a file that cannot be reached reports why; two processes
// writing the same file lose none of each other's keys.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <memory>

#include "framework/DeviceDriverBase.h"
#include "interface/DeviceTypeRegistry.h"
#include "settings/ProgramSettingsDatabase.h"
#include "support/ChildProcess.h"
#include "support/TestFiles.h"

namespace {
// A user who may not write the folder (the tests may run as root, who may).
constexpr uid_t kOtherUser = 65534;

// Writes one key through a fresh store; the store's first write failure.
std::string WriteKey(const std::string& path, const std::string& key, const std::string& value) {
  SettingsStore store = CreateINIProgramSettingsDatabase(path);
  store->Open();
  store->PushTable("Shared");
  store->WriteNarrow(key, value);
  store->PopTable();
  store->Close();
  return store->FirstWriteFailure();
}

std::string ReadKey(const std::string& path, const std::string& key) {
  SettingsStore store = CreateINIProgramSettingsDatabase(path);
  store->Open();
  store->PushTable("Shared");
  const std::string value = store->ReadNarrow(key, "(missing)");
  store->PopTable();
  store->Close();
  return value;
}
}  // namespace

TEST(SharedFileSave, FileWritableInAFolderThatIsNotIsWrittenInPlace) {
  TestDirectory dir;
  const std::string folder = dir.File("shared");
  const std::string path = folder + "/bench.ini";
  std::filesystem::create_directory(folder);
  WriteFile(path, "; kept\n[Shared]\nOld=1\n");
  ASSERT_EQ(chmod(dir.Path().c_str(), 0755), 0);
  struct stat before {};
  ASSERT_EQ(stat(path.c_str(), &before), 0);
  const bool root = geteuid() == 0;
  if (root) {
    ASSERT_EQ(chown(path.c_str(), kOtherUser, kOtherUser), 0);
  } else {
    ASSERT_EQ(chmod(folder.c_str(), 0555), 0);
  }
  ChildProcess writer([&](const ChildProcess::Channel&) {
    if (root && (setgid(kOtherUser) != 0 || setuid(kOtherUser) != 0)) return 10;
    if (access(folder.c_str(), W_OK) == 0) return 11;  // the folder must be closed to this user
    if (!WriteKey(path, "New", "2").empty()) return 12;
    if (!WriteKey(path, "Old", "3").empty()) return 13;
    return 0;
  });
  EXPECT_EQ(writer.Wait(), 0);
  EXPECT_EQ(ReadFile(path), "; kept\n[Shared]\nOld=3\nNew=2\n");
  struct stat after {};
  ASSERT_EQ(stat(path.c_str(), &after), 0);
  EXPECT_EQ(after.st_ino, before.st_ino) << "written in place";
  EXPECT_EQ(dir.Entries().size(), 1u) << "no temporary file left";
  chmod(folder.c_str(), 0755);
}

TEST(SharedFileSave, WriteThatCannotReachTheFileSaysWhy) {
  TestDirectory dir;
  const std::string missingFolder = dir.File("no-such-folder/x.ini");
  EXPECT_NE(WriteKey(missingFolder, "A", "1").find("x.ini"), std::string::npos);
  const std::string readOnly = dir.File("read-only.ini");
  WriteFile(readOnly, "[Shared]\nA=0\n");
  chmod(readOnly.c_str(), 0444);  // kept as it is, whoever runs the test
  EXPECT_NE(WriteKey(readOnly, "A", "1").find("read-only"), std::string::npos);
  EXPECT_NE(WriteKey(readOnly, "B", "2").find("read-only"), std::string::npos);
  EXPECT_EQ(ReadFile(readOnly), "[Shared]\nA=0\n");
  EXPECT_EQ(dir.Entries(), std::vector<std::string>{"read-only.ini"});  // no temporary file left
  EXPECT_EQ(WriteKey(dir.File("fine.ini"), "A", "1"), "");
  EXPECT_EQ(ReadKey(dir.File("fine.ini"), "A"), "1");
  // A directory in the file's place is named with what it is.
  std::filesystem::create_directory(dir.File("folder.ini"));
  EXPECT_EQ(WriteKey(dir.File("folder.ini"), "A", "1"), "cannot read '" + dir.File("folder.ini") + "': Is a directory");
}

TEST(SharedFileSave, DriverSaveThatLosesSettingsFailsWithTheReason) {
  TestDirectory dir;
  std::unique_ptr<DeviceDriverBase> driver = CreateDeviceDriver("HUBLINE4PORT");
  const std::string unreachable = dir.File("no-such-folder/bench.ini");
  ASSERT_EQ(driver->SaveConfiguration(0, unreachable.c_str()), DRV_ERR_SETTINGS_NOT_SAVED);
  char text[512];
  uint32_t count = 0;
  driver->GetErrorString(0, DRV_ERR_SETTINGS_NOT_SAVED, text, sizeof text, &count);
  const std::string shown(text, count);
  EXPECT_EQ(shown.rfind("The configuration could not be saved: ", 0), 0u) << shown;
  EXPECT_NE(shown.find(unreachable), std::string::npos) << shown;
  EXPECT_EQ(driver->SaveConfiguration(0, dir.File("bench.ini").c_str()), 0u);
}

TEST(SharedFileSave, TwoProcessesWritingOneFileKeepEveryKey) {
  constexpr int kKeys = 150;
  TestDirectory dir;
  const std::string path = dir.File("shared.ini");
  const auto writeAll = [&](char process, const ChildProcess::Channel& channel) {
    channel.Send('r');
    if (channel.Receive() != 'g') return 20;
    for (int n = 0; n < kKeys; ++n)
      if (!WriteKey(path, std::string(1, process) + std::to_string(n), std::to_string(n)).empty()) return 21;
    return 0;
  };
  ChildProcess first([&](const ChildProcess::Channel& c) { return writeAll('A', c); });
  ChildProcess second([&](const ChildProcess::Channel& c) { return writeAll('B', c); });
  ASSERT_EQ(first.Receive(), 'r');
  ASSERT_EQ(second.Receive(), 'r');
  first.Send('g');
  second.Send('g');
  EXPECT_EQ(first.Wait(), 0);
  EXPECT_EQ(second.Wait(), 0);
  int lost = 0;
  for (int n = 0; n < kKeys; ++n)
    for (const char* process : {"A", "B"})
      if (ReadKey(path, process + std::to_string(n)) != std::to_string(n)) ++lost;
  EXPECT_EQ(lost, 0);
}
