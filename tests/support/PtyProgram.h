#pragma once
// A program started by a test on a pseudo-terminal of its own (standard
// input, output and error), as a person at a terminal runs it. The test types
// with Type and waits with Expect for text to appear; the time limit only
// turns a hang into a failure.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>
#include <string>
#include <vector>

#include "support/ChildExit.h"

extern char** environ;

class PtyProgram {
public:
  // `environment`: NAME=VALUE entries added to (and overriding) the test's.
  PtyProgram(const std::vector<std::string>& arguments, const std::vector<std::string>& environment) {
    master_ = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0) throw std::runtime_error("no pty");
    const std::string terminal = ptsname(master_);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    // Opened after setsid, the terminal becomes the child's controlling terminal.
    posix_spawn_file_actions_addopen(&actions, 0, terminal.c_str(), O_RDWR, 0);
    posix_spawn_file_actions_adddup2(&actions, 0, 1);
    posix_spawn_file_actions_adddup2(&actions, 0, 2);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID);
    std::vector<std::string> variables = environment;
    for (char** variable = environ; *variable; ++variable) {
      const std::string entry = *variable;
      bool overridden = false;
      for (const std::string& own : environment)
        overridden |= own.substr(0, own.find('=')) == entry.substr(0, entry.find('='));
      if (!overridden) variables.push_back(entry);
    }
    std::vector<char*> argv, envp;
    for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    for (const std::string& variable : variables) envp.push_back(const_cast<char*>(variable.c_str()));
    argv.push_back(nullptr);
    envp.push_back(nullptr);
    const int status = posix_spawn(&pid_, argv[0], &actions, &attributes, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    if (status != 0) throw std::runtime_error("cannot start " + arguments[0]);
  }
  ~PtyProgram() {
    if (pid_ > 0) {
      kill(pid_, SIGKILL);
      Wait();
    }
    close(master_);
  }
  PtyProgram(const PtyProgram&) = delete;
  PtyProgram& operator=(const PtyProgram&) = delete;

  void Type(const std::string& keys) const {
    if (write(master_, keys.data(), keys.size()) != static_cast<ssize_t>(keys.size()))
      throw std::runtime_error("write");
  }
  // Waits until `text` appears in what the program wrote after the last
  // expected text; false when it does not within the limit.
  bool Expect(const std::string& text, int timeLimitMs = 30000) {
    for (;;) {
      const size_t found = screen_.find(text, consumed_);
      if (found != std::string::npos) {
        consumed_ = found + text.size();
        return true;
      }
      pollfd ready{master_, POLLIN, 0};
      if (poll(&ready, 1, timeLimitMs) != 1) return false;
      char chunk[4096];
      const ssize_t length = read(master_, chunk, sizeof chunk);
      if (length <= 0) return false;  // EIO once the program has gone
      screen_.append(chunk, static_cast<size_t>(length));
    }
  }
  // Waits until the program has switched its terminal out of line mode (as a
  // line editor does before it reads keys): keys typed before that are
  // echoed and collected by the terminal itself. The terminal gives no
  // notice of the switch, so its mode is looked at every millisecond.
  bool ExpectCharacterMode(int timeLimitMs = 30000) const {
    for (int waited = 0; waited < timeLimitMs; ++waited) {
      termios mode{};
      if (tcgetattr(master_, &mode) == 0 && !(mode.c_lflag & ICANON)) return true;
      poll(nullptr, 0, 1);
    }
    return false;
  }
  // Everything the program wrote so far (for failure messages).
  const std::string& Screen() const { return screen_; }

  // The exit status of a normal exit, else -1.
  int Wait() { return WaitForChildExit(pid_, status_); }

private:
  int master_ = -1;
  pid_t pid_ = 0;
  int status_ = -1;
  std::string screen_;
  size_t consumed_ = 0;
};
