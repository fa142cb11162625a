// The external program driver through the module's exports: a recording
// program writes every argument it received and a variable of its
// environment to a file, so the test sees exactly what was started, how
// often, and that nothing in a command line reached a shell.
#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

#include "e2e/InstrumentBench.h"
#include "support/LoadedModule.h"
#include "support/ScopedVariable.h"
#include "support/TestFiles.h"

namespace {
// Appends "run [arg1] [arg2] ..." and "env [$SWM_PROBE]" to $SWM_RECORD.
constexpr const char* kRecorder =
    "#!/bin/sh\n"
    "{ printf 'run'; for a in \"$@\"; do printf ' [%s]' \"$a\"; done; printf '\\n';"
    " printf 'env [%s]\\n' \"$SWM_PROBE\"; } >> \"$SWM_RECORD\"\n";

class ExternalProgramE2e : public testing::Test {
protected:
  void SetUp() override {
    recorder_ = dir_.File("rec");
    WriteFile(recorder_, kRecorder);
    chmod(recorder_.c_str(), 0755);
    setenv("SWM_RECORD", Record().c_str(), 1);
    setenv("SWM_PROBE", "a value 'with' \"quotes\"", 1);
    driver_.emplace("EXTERNAL_PROGRAM");
    ASSERT_TRUE(driver_->created);
    id_ = driver_->id;
  }
  void TearDown() override {
    driver_.reset();
    unsetenv("SWM_RECORD");
    unsetenv("SWM_PROBE");
  }
  std::string Record() const { return dir_.File("record.txt"); }
  void Configure(const std::string& before, const std::string& after) {
    const std::string ini = dir_.File("program.ini");
    WriteFile(ini, "[Program]\nBefore=" + before + "\nAfter=" + after + "\n");
    ASSERT_EQ(m_.LoadConfiguration(0, id_, ini.c_str()), 0u);
  }
  uint32_t Event(uint32_t event) { return driver_->Event(event); }

  swm::Module& m_ = LoadedModule();
  uint16_t id_ = 0;
  TestDirectory dir_;
  std::optional<ModuleDriver> driver_;
  std::string recorder_;
};
}  // namespace

TEST_F(ExternalProgramE2e, RunsEachCommandOncePerChangeOfStateWithItsWordsExactly) {
  Configure("'" + recorder_ + "' \"two words\" 'single \"quoted\"' back\\ slash \"dq \\\"inner\\\" \\\\ end\" it\\'s",
            "'" + recorder_ + "' after");
  const std::string before = "run [two words] [single \"quoted\"] [back slash] [dq \"inner\" \\ end] [it's]\n";
  const std::string env = "env [a value 'with' \"quotes\"]\n";
  EXPECT_EQ(Event(3), 0u);
  EXPECT_EQ(ReadFile(Record()), before + env) << "the event returns when the program has ended";
  EXPECT_EQ(Event(3), 0u);
  EXPECT_EQ(Event(18), 0u);
  EXPECT_EQ(ReadFile(Record()), before + env) << "a second InitialisationStarted runs nothing";
  EXPECT_EQ(Event(2), 0u);
  EXPECT_EQ(Event(2), 0u);
  EXPECT_EQ(ReadFile(Record()), before + env + "run [after]\n" + env);
  EXPECT_EQ(Event(3), 0u);
  EXPECT_EQ(ReadFile(Record()), before + env + "run [after]\n" + env + before + env);

  // The saved settings load and save again unchanged.
  const std::string saved = dir_.File("saved.ini"), resaved = dir_.File("resaved.ini");
  const auto [first, second] = driver_->SaveLoadSave("EXTERNAL_PROGRAM", saved, resaved);
  EXPECT_NE(first.find("[Program]\nBefore='" + recorder_ + "' \"two words\""), std::string::npos);
  EXPECT_EQ(second, first);
}

TEST_F(ExternalProgramE2e, ShellCharactersAreOrdinaryWordsAndStartNoSecondCommand) {
  const std::string marker = dir_.File("started");
  Configure("'" + recorder_ + "' one; touch " + marker + "1 | touch " + marker + "2 $(touch " + marker +
                "3) `touch " + marker + "4` && touch " + marker + "5 > " + marker + "6",
            "");
  EXPECT_EQ(Event(3), 0u);
  EXPECT_EQ(ReadFile(Record()), "run [one;] [touch] [" + marker + "1] [|] [touch] [" + marker + "2] [$(touch] [" +
                                    marker + "3)] [`touch] [" + marker + "4`] [&&] [touch] [" + marker + "5] [>] [" +
                                    marker + "6]\nenv [a value 'with' \"quotes\"]\n");
  for (int n = 1; n <= 6; ++n) EXPECT_FALSE(std::filesystem::exists(marker + std::to_string(n))) << n;
}

TEST_F(ExternalProgramE2e, AMissingProgramGivesTheSystemErrorAndItsText) {
  Configure("", dir_.File("no-such-program") + " --flag");
  const uint32_t status = Event(2);
  EXPECT_EQ(status, 2u);  // ENOENT
  EXPECT_EQ(m_.ErrorText(id_, status), "No such file or directory");
  Configure("'unterminated", "");
  EXPECT_EQ(Event(3), 22u);  // EINVAL: the line cannot be split into words
  EXPECT_EQ(m_.ErrorText(id_, 22), "Invalid argument");
}

TEST_F(ExternalProgramE2e, ADocumentIsHandedToTheDesktopOpenerWithoutWaiting) {
  // A stand-in opener on the PATH writes the document it was given into a pipe the test reads.
  const std::string bin = dir_.File("bin"), pipe = dir_.File("opened");
  std::filesystem::create_directories(bin);
  WriteFile(bin + "/xdg-open", "#!/bin/sh\nprintf '%s\\n' \"$1\" > \"$SWM_OPENED\"\n");
  chmod((bin + "/xdg-open").c_str(), 0755);
  ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
  const int reader = open(pipe.c_str(), O_RDONLY | O_NONBLOCK);
  ASSERT_GE(reader, 0);
  const std::string path = std::getenv("PATH") ? std::getenv("PATH") : "";
  setenv("PATH", (bin + ":" + path).c_str(), 1);
  setenv("SWM_OPENED", pipe.c_str(), 1);
  const std::string document = dir_.File("test report.txt");
  WriteFile(document, "results\n");
  Configure(document, "");
  EXPECT_EQ(Event(3), 0u);
  pollfd ready{reader, POLLIN, 0};
  ASSERT_EQ(poll(&ready, 1, 10000), 1) << "the opener was not started";
  char buffer[512] = {0};
  const ssize_t count = read(reader, buffer, sizeof buffer - 1);
  EXPECT_EQ(std::string(buffer, count > 0 ? static_cast<size_t>(count) : 0), document + "\n");
  close(reader);
  setenv("PATH", path.c_str(), 1);
  unsetenv("SWM_OPENED");
}

TEST_F(ExternalProgramE2e, AScriptWithoutInterpreterLineRunsInTheShellWithItsWordsUninterpreted) {
  // The recorder without its "#!" line, once named by its path and once found through PATH.
  const std::string bin = dir_.File("bin");
  std::filesystem::create_directories(bin);
  const std::string body = std::string(kRecorder).substr(std::string(kRecorder).find('\n') + 1);
  for (const std::string& script : {dir_.File("plain"), bin + "/plainrec"}) {
    WriteFile(script, body);
    chmod(script.c_str(), 0755);
  }
  const std::string path = std::getenv("PATH") ? std::getenv("PATH") : "";
  ScopedVariable lookup("PATH", bin + ":" + path);
  const std::string env = "env [a value 'with' \"quotes\"]\n";
  for (const std::string& program : {"'" + dir_.File("plain") + "'", std::string("plainrec")}) {
    std::filesystem::remove(Record());
    Configure(program + " 'a b' '$(touch x)' \\;", "");
    EXPECT_EQ(Event(3), 0u) << program;
    Event(2);
    EXPECT_EQ(ReadFile(Record()), "run [a b] [$(touch x)] [;]\n" + env) << program;
  }
}

TEST_F(ExternalProgramE2e, TheProgramStartsWithNoSignalBlockedOrIgnored) {
  const std::string probe = dir_.File("probe");
  WriteFile(probe, "#!/bin/sh\nexec grep -E '^Sig(Blk|Ign)' /proc/self/status >> \"$SWM_RECORD\"\n");
  chmod(probe.c_str(), 0755);
  Configure("'" + probe + "'", "");
  // The host ignores SIGTERM and SIGINT and blocks SIGUSR2 on the calling thread.
  struct sigaction ignore {}, oldTerm {}, oldInt {};
  ignore.sa_handler = SIG_IGN;
  sigaction(SIGTERM, &ignore, &oldTerm);
  sigaction(SIGINT, &ignore, &oldInt);
  sigset_t blocked, oldMask;
  sigemptyset(&blocked);
  sigaddset(&blocked, SIGUSR2);
  pthread_sigmask(SIG_BLOCK, &blocked, &oldMask);
  const uint32_t status = Event(3);
  pthread_sigmask(SIG_SETMASK, &oldMask, nullptr);
  sigaction(SIGTERM, &oldTerm, nullptr);
  sigaction(SIGINT, &oldInt, nullptr);
  EXPECT_EQ(status, 0u);
  unsigned long long blockedMask = ~0ull, ignoredMask = ~0ull;
  ASSERT_EQ(std::sscanf(ReadFile(Record()).c_str(), "SigBlk: %llx SigIgn: %llx", &blockedMask, &ignoredMask), 2)
      << ReadFile(Record());
  EXPECT_EQ(blockedMask, 0u);
  // Bit n - 1 is signal n. glibc's posix_spawn leaves its own signals 32 and
  // 33 ignored, which no program can set or use; every other one is at its default.
  EXPECT_EQ(ignoredMask & ~((1ull << 31) | (1ull << 32)), 0u) << std::hex << ignoredMask;
}

TEST_F(ExternalProgramE2e, AQuotedCommandLineSurvivesASaveAndAReload) {
  // The line "'<recorder>' 'start'" as the module writes it: within a further pair of quotes.
  const std::string line = "'" + recorder_ + "' 'start'";
  Configure("\"" + line + "\"", "");
  const std::string saved = dir_.File("saved.ini");
  ASSERT_EQ(m_.SaveConfiguration(0, id_, saved.c_str()), 0u);
  EXPECT_NE(ReadFile(saved).find("Before=\"" + line + "\"\n"), std::string::npos) << ReadFile(saved);
  ModuleDriver reloaded("EXTERNAL_PROGRAM", saved);
  EXPECT_EQ(reloaded.Event(3), 0u);
  EXPECT_EQ(ReadFile(Record()), "run [start]\nenv [a value 'with' \"quotes\"]\n");
}
