#pragma once
// A program started by a test with pipes to its standard input, output and
// error, and an environment of the test's choosing. Reading waits for a line;
// the time limit only turns a hang into a failure.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "support/ChildExit.h"

extern char** environ;

class SpawnedProgram {
public:
  // `environment`: variables to set (an empty value removes the variable).
  SpawnedProgram(const std::vector<std::string>& arguments, const std::map<std::string, std::string>& environment) {
    int input[2], output[2], error[2];
    if (pipe2(input, O_CLOEXEC) || pipe2(output, O_CLOEXEC) || pipe2(error, O_CLOEXEC))
      throw std::runtime_error("pipe");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, input[0], 0);
    posix_spawn_file_actions_adddup2(&actions, output[1], 1);
    posix_spawn_file_actions_adddup2(&actions, error[1], 2);
    std::vector<std::string> variables;
    for (char** variable = environ; *variable; ++variable) {
      const std::string entry = *variable;
      if (!environment.count(entry.substr(0, entry.find('=')))) variables.push_back(entry);
    }
    for (const auto& [name, value] : environment)
      if (!value.empty()) variables.push_back(name + "=" + value);
    std::vector<char*> argv, envp;
    for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    for (const std::string& variable : variables) envp.push_back(const_cast<char*>(variable.c_str()));
    argv.push_back(nullptr);
    envp.push_back(nullptr);
    const int status = posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    close(input[0]);
    close(output[1]);
    close(error[1]);
    input_ = input[1];
    output_ = output[0];
    error_ = error[0];
    if (status != 0) throw std::runtime_error("cannot start " + arguments[0]);
  }
  ~SpawnedProgram() {
    if (pid_ > 0) {
      kill(pid_, SIGKILL);
      Wait();
    }
    CloseInput();
    close(output_);
    close(error_);
  }
  SpawnedProgram(const SpawnedProgram&) = delete;
  SpawnedProgram& operator=(const SpawnedProgram&) = delete;

  pid_t Pid() const { return pid_; }
  bool Write(const std::string& text) const {
    return input_ >= 0 && write(input_, text.data(), text.size()) == static_cast<ssize_t>(text.size());
  }
  void CloseInput() {
    if (input_ >= 0) close(input_);
    input_ = -1;
  }
  // The next line of standard output (or error), without its line feed;
  // nothing at the end or when no line comes within the limit.
  std::optional<std::string> OutputLine(int timeLimitMs = 30000) { return ReadLine(output_, outputBuffer_, timeLimitMs); }
  std::optional<std::string> ErrorLine(int timeLimitMs = 30000) { return ReadLine(error_, errorBuffer_, timeLimitMs); }

  void Signal(int number) const {
    if (pid_ > 0) kill(pid_, number);
  }
  // The exit status of a normal exit, else -1.
  int Wait() { return WaitForChildExit(pid_, status_); }

private:
  static std::optional<std::string> ReadLine(int fd, std::string& buffer, int timeLimitMs) {
    for (;;) {
      const size_t end = buffer.find('\n');
      if (end != std::string::npos) {
        std::string line = buffer.substr(0, end);
        buffer.erase(0, end + 1);
        return line;
      }
      pollfd ready{fd, POLLIN, 0};
      if (poll(&ready, 1, timeLimitMs) != 1) return std::nullopt;
      char chunk[4096];
      const ssize_t length = read(fd, chunk, sizeof chunk);
      if (length <= 0) return std::nullopt;
      buffer.append(chunk, static_cast<size_t>(length));
    }
  }

  pid_t pid_ = 0;
  int input_ = -1, output_ = -1, error_ = -1;
  int status_ = -1;
  std::string outputBuffer_, errorBuffer_;
};
