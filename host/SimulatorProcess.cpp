#include "SimulatorProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <vector>

extern char** environ;

namespace {
using Clock = std::chrono::steady_clock;

int RemainingMs(Clock::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
  return left > 0 ? static_cast<int>(left) : 0;
}

// Reads from fd until the text ends with "running\n", the pipe closes or the deadline passes.
bool ReadUntilRunning(int fd, std::string& text, Clock::time_point deadline) {
  char buffer[4096];
  while (text.size() < 1 << 20) {
    if (text.size() >= 8 && text.compare(text.size() - 8, 8, "running\n") == 0) return true;
    pollfd waiting{fd, POLLIN, 0};
    const int ready = poll(&waiting, 1, RemainingMs(deadline));
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) return false;
    const ssize_t count = read(fd, buffer, sizeof buffer);
    if (count < 0 && errno == EINTR) continue;
    if (count <= 0) return false;
    text.append(buffer, static_cast<size_t>(count));
  }
  return false;
}
}  // namespace

SimulatorProcess::SimulatorProcess(const std::string& program, const std::string& config,
                                   const std::string& directory, int timeoutMs)
    : control_(directory + "/control"), ports_(directory + "/ports") {
  mkdir(ports_.c_str(), 0700);
  int pipeEnds[2];
  if (pipe2(pipeEnds, O_CLOEXEC) != 0) throw std::runtime_error("cannot create a pipe for swmsim");
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDOUT_FILENO);
  std::vector<std::string> words{program, "--config", config, "--control", control_, "--ports", ports_, "--web", "0"};
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);
  const int spawned = posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(pipeEnds[1]);
  output_ = pipeEnds[0];
  if (spawned != 0) {
    pid_ = -1;
    close(output_);
    throw std::runtime_error("cannot start " + program + ": " + std::strerror(spawned));
  }
  if (!ReadUntilRunning(output_, banner_, Clock::now() + std::chrono::milliseconds(timeoutMs))) {
    Stop();
    throw std::runtime_error("swmsim did not start (" + program + " --config " + config + ")");
  }
  banner_.resize(banner_.size() - 8);
}

SimulatorProcess::~SimulatorProcess() { Stop(); }

std::string SimulatorProcess::Request(const std::string& request) const {
  const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return "error no socket";
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::strncpy(address.sun_path, control_.c_str(), sizeof address.sun_path - 1);
  std::string answer;
  if (connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) {
    const std::string line = request + "\n";
    if (send(fd, line.data(), line.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(line.size())) {
      char buffer[4096];
      const auto deadline = Clock::now() + std::chrono::seconds(5);
      while (answer.find('\n') == std::string::npos) {
        pollfd waiting{fd, POLLIN, 0};
        if (poll(&waiting, 1, RemainingMs(deadline)) <= 0) break;
        const ssize_t count = read(fd, buffer, sizeof buffer);
        if (count <= 0) break;
        answer.append(buffer, static_cast<size_t>(count));
      }
    }
  }
  close(fd);
  const size_t end = answer.find('\n');
  if (end == std::string::npos) return "error no answer from the simulator's control socket";
  return answer.substr(0, end);
}

void SimulatorProcess::Stop() {
  if (pid_ > 0) {
    kill(pid_, SIGTERM);
    int status = 0;
    // swmsim closes its ports and exits promptly on SIGTERM; make sure of it.
    for (int i = 0; i < 200 && waitpid(pid_, &status, WNOHANG) == 0; ++i) usleep(10000);
    if (waitpid(pid_, &status, WNOHANG) == 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, &status, 0);
    }
    pid_ = -1;
  }
  if (output_ >= 0) close(output_);
  output_ = -1;
}
