// The swmsim program: started with a configuration file, it prints its ready
// lines, serves the instruments, answers "swmsim ctl" and stops cleanly.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <vector>

#include "SimTestIo.h"

extern char** environ;

namespace {

const std::string kProgram = SWM_BUILD_DIR "/bin/swmsim";

struct Child {
  pid_t pid = -1;
  simtest::Fd out;
  simtest::Fd err;
};

Child Spawn(const std::vector<std::string>& arguments) {
  int out[2], err[2];
  if (::pipe2(out, O_CLOEXEC) != 0 || ::pipe2(err, O_CLOEXEC) != 0) return {};
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out[1], 1);
  posix_spawn_file_actions_adddup2(&actions, err[1], 2);
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(kProgram.c_str()));
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  Child child;
  if (posix_spawn(&child.pid, kProgram.c_str(), &actions, nullptr, argv.data(), environ) != 0)
    child.pid = -1;
  posix_spawn_file_actions_destroy(&actions);
  ::close(out[1]);
  ::close(err[1]);
  child.out = simtest::Fd(out[0]);
  child.err = simtest::Fd(err[0]);
  return child;
}

// The exit status of the child, or -1 when it did not end in time.
int WaitForExit(pid_t pid, int timeoutMs = simtest::kPatienceMs) {
  simtest::Fd pidfd(static_cast<int>(::syscall(SYS_pidfd_open, pid, 0)));
  pollfd entry{pidfd.get(), POLLIN, 0};
  if (::poll(&entry, 1, timeoutMs) <= 0) {
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
    return -1;
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// Output lines up to "running" (or the end of the output).
std::vector<std::string> ReadyLines(int fd) {
  std::vector<std::string> lines;
  std::string text;
  while (!text.ends_with("running\n")) {
    const std::string more = simtest::ReadUntil(fd, "\n");
    if (more.empty()) break;
    text += more;
  }
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// Runs swmsim with arguments to its end; its exit status and standard output.
int RunSwmsim(const std::vector<std::string>& arguments, std::string* out, std::string* err = nullptr) {
  Child child = Spawn(arguments);
  bool closed = false;
  *out = simtest::ReadToEnd(child.out.get(), &closed);
  const std::string errors = simtest::ReadToEnd(child.err.get(), &closed);
  if (err) *err = errors;
  return WaitForExit(child.pid);
}

class Program : public ::testing::Test {
protected:
  void SetUp() override {
    directory_ = simtest::MakeTempDir("process");
    std::filesystem::create_directory(directory_ + "/ports");
  }
  void TearDown() override { std::filesystem::remove_all(directory_); }
  std::string WriteConfig(const std::string& text) {
    const std::string path = directory_ + "/sim.ini";
    std::ofstream(path) << text;
    return path;
  }

  std::string directory_;
};

TEST_F(Program, PrintsReadyLinesServesAndStopsOnRequest) {
  const std::string config = WriteConfig(
      "[simulator]\nports = " + directory_ + "/ports\n"
      "[instrument dmm]\ntransport = tcp\nport = 0\nidn = ACME,DMM100,1234,1.0\n"
      "[instrument meter]\ntransport = pty\ncom = 7\n"
      "[instrument ps]\ntransport = gpib\naddress = 9\n");
  const std::string control = directory_ + "/ctl";
  const std::string bus = directory_ + "/bus";
  Child child = Spawn({"--config", config, "--control", control, "--bus", bus});
  ASSERT_GT(child.pid, 0);
  const std::vector<std::string> lines = ReadyLines(child.out.get());
  ASSERT_EQ(lines.size(), 6u) << simtest::ReadUntil(child.err.get(), "\n", 100);
  EXPECT_EQ(lines[0].substr(0, 24), "ready dmm tcp 127.0.0.1:");
  EXPECT_TRUE(lines[1].starts_with("ready meter pty " + directory_ + "/ports/COM7 /dev/pts/"))
      << lines[1];
  EXPECT_EQ(lines[2], "ready ps gpib GPIB0::9::INSTR " + bus);
  EXPECT_EQ(lines[3], "control " + control);
  EXPECT_EQ(lines[4], "bus " + bus);
  EXPECT_EQ(lines[5], "running");

  const uint16_t port = static_cast<uint16_t>(std::stoi(lines[0].substr(24)));
  simtest::Fd client = simtest::ConnectTcp(port);
  simtest::SendAll(client.get(), "*IDN?\n");
  EXPECT_EQ(simtest::ReadUntil(client.get(), "\n"), "ACME,DMM100,1234,1.0\n");

  std::string dump;
  EXPECT_EQ(RunSwmsim({"ctl", control, "state", "dmm"}, &dump), 0);
  EXPECT_NE(dump.find("commands_received: 1\n"), std::string::npos) << dump;
  EXPECT_NE(dump.find("last_command: *IDN?\n"), std::string::npos) << dump;
  EXPECT_NE(dump.find("  idn: ACME,DMM100,1234,1.0\n"), std::string::npos) << dump;
  EXPECT_EQ(RunSwmsim({"ctl", control, "bytes", "dmm"}, &dump), 0);
  EXPECT_EQ(dump, "*IDN?\\n\n");
  std::string errors;
  EXPECT_EQ(RunSwmsim({"ctl", control, "state", "nobody"}, &dump, &errors), 1);
  EXPECT_EQ(errors, "swmsim: error no instrument named nobody\n");

  EXPECT_EQ(RunSwmsim({"ctl", control, "stop"}, &dump), 0);
  EXPECT_EQ(WaitForExit(child.pid), 0);
  EXPECT_FALSE(std::filesystem::exists(control));
  EXPECT_FALSE(std::filesystem::exists(bus));
  EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(directory_ + "/ports/COM7")));
}

TEST_F(Program, StopsCleanlyOnSigterm) {
  const std::string config = WriteConfig("[instrument dmm]\ntransport = udp\n");
  Child child = Spawn({"--config", config, "--control", directory_ + "/ctl"});
  ASSERT_EQ(ReadyLines(child.out.get()).back(), "running");
  ::kill(child.pid, SIGTERM);
  EXPECT_EQ(WaitForExit(child.pid), 0);
  EXPECT_FALSE(std::filesystem::exists(directory_ + "/ctl"));
}

TEST_F(Program, ABadFileOrABusyPortEndsWithAClearMessage) {
  std::string out, err;
  const std::string bad = WriteConfig("[instrument dmm]\ntransport = tcp\nport = x\n");
  EXPECT_EQ(RunSwmsim({"--config", bad}, &out, &err), 2);
  EXPECT_EQ(err, "swmsim: " + bad + ":3: bad port 'x' (0 to 65535)\n");
  EXPECT_EQ(out, "");

  EXPECT_EQ(RunSwmsim({"--config", directory_ + "/none.ini"}, &out, &err), 2);
  EXPECT_EQ(err, "swmsim: cannot read " + directory_ + "/none.ini\n");
  EXPECT_EQ(RunSwmsim({"--check"}, &out, &err), 2);
  EXPECT_EQ(err, "swmsim: no --config FILE given (try 'swmsim --help')\n");
  EXPECT_EQ(RunSwmsim({"--config", bad, "--colour"}, &out, &err), 2);
  EXPECT_EQ(err, "swmsim: unknown option '--colour' (try 'swmsim --help')\n");
  EXPECT_EQ(RunSwmsim({"--help"}, &out, &err), 0);
  EXPECT_EQ(out.rfind("usage: swmsim --config FILE", 0), 0u);

  const std::string good = WriteConfig("[instrument a]\ntransport = tcp\n[instrument b]\ntransport = udp\n");
  EXPECT_EQ(RunSwmsim({"--config", good, "--check"}, &out, &err), 0);
  EXPECT_EQ(out, "ok 2 instruments\n");

  // Two instruments on one fixed port: the second cannot bind.
  Child first = Spawn({"--config", WriteConfig("[instrument a]\ntransport = tcp\n"), "--control",
                       directory_ + "/first"});
  const std::vector<std::string> lines = ReadyLines(first.out.get());
  ASSERT_FALSE(lines.empty());
  const std::string port = lines[0].substr(lines[0].rfind(':') + 1);
  const std::string busy = WriteConfig("[instrument b]\ntransport = tcp\nport = " + port + "\n");
  EXPECT_EQ(RunSwmsim({"--config", busy}, &out, &err), 1);
  EXPECT_NE(err.find("instrument b: bind 127.0.0.1:" + port), std::string::npos) << err;
  EXPECT_EQ(simtest::Control(directory_ + "/first", "stop"), "ok");
  EXPECT_EQ(WaitForExit(first.pid), 0);
}

}  // namespace
