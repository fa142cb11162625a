#pragma once
// A forked child process for tests of cross-process behaviour, with a pipe in
// each direction for one-byte messages. Waiting for a message is the only
// synchronisation; the time limit of Receive only turns a hang into a failure.
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <functional>
#include <stdexcept>

class ChildProcess {
public:
  class Channel {
  public:
    Channel(int in, int out) : in_(in), out_(out) {}
    void Send(char message) const {
      if (write(out_, &message, 1) != 1) std::abort();
    }
    // The next message, or 0 when the other side closed the pipe or nothing
    // arrived within the time limit.
    char Receive(int timeLimitMilliseconds = 30000) const {
      pollfd ready{in_, POLLIN, 0};
      if (poll(&ready, 1, timeLimitMilliseconds) != 1) return 0;
      char message = 0;
      return read(in_, &message, 1) == 1 ? message : 0;
    }

  private:
    int in_, out_;
  };

  // Runs body in a new process; its result becomes the exit status.
  explicit ChildProcess(const std::function<int(const Channel&)>& body) {
    int toChild[2], toParent[2];
    if (pipe(toChild) != 0 || pipe(toParent) != 0) throw std::runtime_error("pipe");
    pid_ = fork();
    if (pid_ < 0) throw std::runtime_error("fork");
    if (pid_ == 0) {
      close(toChild[1]);
      close(toParent[0]);
      _exit(body(Channel(toChild[0], toParent[1])));
    }
    close(toChild[0]);
    close(toParent[1]);
    in_ = toParent[0];
    out_ = toChild[1];
  }
  ~ChildProcess() {
    if (pid_ > 0) {
      kill(pid_, SIGKILL);
      Wait();
    }
    close(in_);
    close(out_);
  }
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  Channel channel() const { return Channel(in_, out_); }
  void Send(char message) const { channel().Send(message); }
  char Receive(int timeLimitMilliseconds = 30000) const { return channel().Receive(timeLimitMilliseconds); }

  // The exit status of a normal exit, else -1 (for example when killed).
  int Wait() {
    if (pid_ <= 0) return status_;
    int raw = 0;
    while (waitpid(pid_, &raw, 0) < 0) {
      if (errno != EINTR) return status_;
    }
    pid_ = 0;
    status_ = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    return status_;
  }
  void Kill() {
    if (pid_ > 0) kill(pid_, SIGKILL);
  }

private:
  pid_t pid_ = 0;
  int in_ = -1, out_ = -1;
  int status_ = -1;
};
