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

namespace {
// The bytes of UTF-16 text with its byte order mark (the compiler's encoding of u"...").
std::string Utf16(std::u16string_view text, bool bigEndian) {
  std::string bytes = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
  for (const char16_t unit : text) {
    const char hi = static_cast<char>(unit >> 8), lo = static_cast<char>(unit & 0xFF);
    bytes += bigEndian ? std::string{hi, lo} : std::string{lo, hi};
  }
  return bytes;
}
}  // namespace

TEST(IniFile, KeepsTheEncodingOfTheFile) {
  struct Case {
    const char* name;
    std::string before;  // the file
    std::string value;   // set as [S] new (UTF-8)
    std::string after;   // the file then
  };
  const Case cases[] = {
      {"Latin-1 stays Latin-1", "; \xE9t\xE9\r\n[S]\r\nk=caf\xE9\r\n", "na\xC3\xAFve \xC3\xBF",
       "; \xE9t\xE9\r\n[S]\r\nk=caf\xE9\r\nnew=na\xEFve \xFF\r\n"},
      {"Latin-1 becomes UTF-8 for a character beyond it", "; \xE9t\xE9\r\n[S]\r\nk=caf\xE9\r\n", "5 \xE2\x82\xAC",
       "; \xC3\xA9t\xC3\xA9\r\n[S]\r\nk=caf\xC3\xA9\r\nnew=5 \xE2\x82\xAC\r\n"},
      {"UTF-8 stays UTF-8", "\xEF\xBB\xBF[S]\nk=caf\xC3\xA9\n", "\xC3\xBF", "\xEF\xBB\xBF[S]\nk=caf\xC3\xA9\nnew=\xC3\xBF\n"},
      {"UTF-16 LE", Utf16(u"; \u00E9\r\n[S]\r\nk=caf\u00E9\r\n", false), "\xE2\x82\xAC \xF0\x9F\x98\x80",
       Utf16(u"; \u00E9\r\n[S]\r\nk=caf\u00E9\r\nnew=\u20AC \U0001F600\r\n", false)},
      {"UTF-16 BE", Utf16(u"; \u00E9\r\n[S]\r\nk=caf\u00E9\r\n", true), "\xE2\x82\xAC \xF0\x9F\x98\x80",
       Utf16(u"; \u00E9\r\n[S]\r\nk=caf\u00E9\r\nnew=\u20AC \U0001F600\r\n", true)},
      // A damaged UTF-16 file (a lone surrogate, an odd last byte) keeps its bytes.
      {"damaged UTF-16", Utf16(u"; \xD800!\r\n[S]\r\nk=caf\u00E9\n", false) + "\x41", "x",
       Utf16(u"; \xD800!\r\n[S]\r\nk=caf\u00E9\nnew=x\r\n", false) + "\x41"},
  };
  for (const Case& c : cases) {
    TestDirectory dir;
    const std::string path = dir.File("encoded.ini");
    WriteFile(path, c.before);
    IniFile file(path);
    EXPECT_EQ(file.Get("s", "K"), "caf\xC3\xA9") << c.name;
    std::string error;
    ASSERT_TRUE(file.Set("S", "new", c.value, &error)) << c.name << ": " << error;
    EXPECT_EQ(ReadFile(path), c.after) << c.name;
    EXPECT_EQ(IniFile(path).Get("S", "new"), c.value) << c.name;
  }
}

TEST(IniFile, RefusesKeysAndValuesThatWouldNotReadBackAndSaysWhy) {
  struct Case {
    const char* key;
    const char* value;
    const char* reason;
  };
  const Case cases[] = {
      {"a=b", "1", "[S] the key name 'a=b' cannot be written"},
      {"[k", "1", "[S] the key name '[k' cannot be written"},
      {";k", "1", "[S] the key name ';k' cannot be written"},
      {"#k", "1", "[S] the key name '#k' cannot be written"},
      {"", "1", "[S] the key name '' cannot be written"},
      {"Lines", "two\nlines", "[S] the value of 'Lines' holds a line break, which an INI file cannot keep"},
      {"Lines", "two\rlines", "[S] the value of 'Lines' holds a line break"},
  };
  TestDirectory dir;
  const std::string path = dir.File("refused.ini");
  WriteFile(path, "[S]\nLines=one\n");
  for (const Case& c : cases) {
    INIProgramSettingsDatabase store(path);
    store.Open();
    store.PushTable("S");
    store.Write(c.key, c.value);
    store.Write("after", 1);
    EXPECT_TRUE(store.FirstWriteFailure().starts_with(c.reason)) << store.FirstWriteFailure();
    EXPECT_EQ(ReadFile(path), "[S]\nLines=one\nafter=1\n") << c.key;  // the rest is written
  }
}
