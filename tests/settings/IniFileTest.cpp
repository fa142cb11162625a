#include "settings/IniFile.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <filesystem>
#include <set>

#include "settings/INIProgramSettingsDatabase.h"
#include "support/TestFiles.h"
#include "support/ChildProcess.h"

namespace fs = std::filesystem;

namespace {
constexpr int kKeys = 20;
constexpr size_t kValueLength = 100;

const std::string kForeignPart =
    "; written by another program: keep\r\n"
    "[Other Program]\r\n"
    "Colour=blue\r\n"
    "# its own comment\r\n"
    "\r\n";

std::string InitialFile() {
  std::string text = kForeignPart + "[Mine]\r\n";
  for (int i = 0; i < kKeys; ++i)
    text += "k" + std::to_string(i) + "=" + std::string(kValueLength, 'a') + "\r\n";
  return text;
}

// Writes generation after generation of values until it is killed; tells the
// parent after every write.
int WriteForever(const ChildProcess::Channel& channel, const std::string& path) {
  INIProgramSettingsDatabase store(path);
  store.Open();
  store.PushTable("Mine");
  for (int generation = 1;; ++generation) {
    const char fill = static_cast<char>('a' + generation % 26);
    for (int i = 0; i < kKeys; ++i) {
      store.Write("k" + std::to_string(i), wxString(kValueLength, fill));
      channel.Send('w');
    }
    store.Write("g" + std::to_string(generation), generation);  // the file grows too
    channel.Send('w');
  }
}

// The file after a kill holds the foreign part unchanged and, for the keys,
// one generation's values followed by the previous generation's: never a
// value that is cut or mixed, never a key lost.
void ExpectWholeFile(const std::string& text) {
  ASSERT_TRUE(text.starts_with(kForeignPart + "[Mine]\r\n")) << text;
  ASSERT_TRUE(text.ends_with("\r\n")) << text;
  const IniDocument doc(text);
  EXPECT_EQ(std::string(*doc.Find("Other Program", "Colour")), "blue");
  std::string fills;
  for (int i = 0; i < kKeys; ++i) {
    const auto value = doc.Find("Mine", "k" + std::to_string(i));
    ASSERT_TRUE(value.has_value()) << "k" << i << " lost\n" << text;
    ASSERT_EQ(value->size(), kValueLength) << text;
    ASSERT_EQ(value->find_first_not_of(value->front()), std::string_view::npos) << text;
    fills += value->front();
  }
  // At most one change of fill, from the newer generation to the older one.
  std::set<char> distinct(fills.begin(), fills.end());
  ASSERT_LE(distinct.size(), 2u) << fills;
  const size_t change = fills.find_first_not_of(fills.front());
  if (change != std::string::npos) {
    EXPECT_EQ(fills.find_first_not_of(fills[change], change), std::string::npos) << fills;
    const char newer = fills.front(), older = fills[change];
    EXPECT_EQ(newer, older == 'z' ? 'a' : older + 1) << fills;
  }
}
}  // namespace

TEST(IniFile, AKilledWriterLeavesTheOldOrTheNewFileWhole) {
  TestDirectory dir;
  const std::string path = dir.File("killed.ini");
  for (int round = 0; round < 15; ++round) {
    WriteFile(path, InitialFile());
    ChildProcess writer([&](const ChildProcess::Channel& channel) { return WriteForever(channel, path); });
    // Let it complete a different number of writes each round, then kill it
    // wherever it happens to be.
    const int writes = 1 + round * 5;
    for (int i = 0; i < writes; ++i) ASSERT_EQ(writer.Receive(), 'w') << "round " << round;
    writer.Kill();
    EXPECT_EQ(writer.Wait(), -1);
    ExpectWholeFile(ReadFile(path));
    // A temporary file may be left by the kill, never more than one.
    EXPECT_LE(dir.Entries().size(), 2u);
    for (const std::string& name : dir.Entries())
      if (name != "killed.ini") fs::remove(dir.File(name));
  }
}

TEST(IniFile, AWriteThatCannotCompleteLeavesTheFileAsItWas) {
  // A file size limit makes the write fail as a full disk would.
  TestDirectory dir;
  const std::string path = dir.File("full.ini");
  const std::string original = InitialFile();
  WriteFile(path, original);
  ChildProcess child([&](const ChildProcess::Channel&) {
    signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{1024, 1024};
    if (setrlimit(RLIMIT_FSIZE, &limit) != 0) return 10;
    IniFile file(path);
    if (file.Get("Mine", "k0") != std::string(kValueLength, 'a')) return 11;
    std::string error;
    if (file.Set("Mine", "k0", std::string(4000, 'z'), &error)) return 12;
    if (error.empty()) return 13;
    // The failed value is not served from the cached copy either.
    if (file.Get("Mine", "k0") != std::string(kValueLength, 'a')) return 14;
    // The store loses the value silently.
    INIProgramSettingsDatabase store(path);
    store.Open();
    store.PushTable("Mine");
    store.Write("k1", wxString(4000, 'z'));
    return store.Read("k1", wxString()) == wxString(kValueLength, 'a') ? 0 : 15;
  });
  EXPECT_EQ(child.Wait(), 0);
  EXPECT_EQ(ReadFile(path), original);
  EXPECT_EQ(dir.Entries(), std::vector<std::string>{"full.ini"});  // no temporary file left
}

TEST(IniFile, UnwritableAndUnreadablePlacesGiveDefaultsAndLoseWrites) {
  // A folder that does not exist and a read-only file: SharedFileSave.WriteThatCannotReachTheFileSaysWhy.
  TestDirectory dir;
  // A directory where the file should be.
  const std::string folder = dir.File("folder.ini");
  fs::create_directory(folder);
  INIProgramSettingsDatabase onFolder(folder);
  onFolder.Open();
  EXPECT_EQ(onFolder.Read("k", 5), 5);
  onFolder.Write("k", 6);
  EXPECT_EQ(onFolder.Read("k", 5), 5);
  EXPECT_TRUE(fs::is_directory(folder));
  EXPECT_EQ(dir.Entries().size(), 1u);

  // An empty file name.
  std::string error;
  IniFile unnamed("");
  EXPECT_FALSE(unnamed.Set("S", "k", "v", &error));
}

TEST(IniFile, ReplacingKeepsModeAndLinks) {
  TestDirectory dir;
  const std::string real = dir.File("real.ini");
  const std::string link = dir.File("link.ini");
  WriteFile(real, "[S]\nk=1\n");
  fs::permissions(real, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  fs::create_symlink("real.ini", link);

  IniFile file(link);
  std::string error;
  ASSERT_TRUE(file.Set("S", "k", "2", &error)) << error;
  EXPECT_TRUE(fs::is_symlink(link));
  EXPECT_EQ(ReadFile(real), "[S]\nk=2\n");
  EXPECT_EQ(fs::status(real).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  const std::vector<std::string> entries = dir.Entries();
  const std::set<std::string> names(entries.begin(), entries.end());
  EXPECT_EQ(names, (std::set<std::string>{"real.ini", "link.ini"}));
}
