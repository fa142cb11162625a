#include "platform/ProcessLauncher.h"

#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <mutex>

extern char** environ;

bool SplitCommandLine(const std::string& line, std::vector<std::string>* words) {
  words->clear();
  std::string word;
  bool inWord = false;
  for (size_t i = 0; i < line.size(); ++i) {
    const char c = line[i];
    if (c == ' ' || c == '\t' || c == '\n' || c == '\r') {
      if (inWord) words->push_back(word);
      word.clear();
      inWord = false;
    } else if (c == '\'') {
      const size_t end = line.find('\'', i + 1);
      if (end == std::string::npos) return false;
      word.append(line, i + 1, end - i - 1);
      i = end;
      inWord = true;
    } else if (c == '"') {
      for (++i;; ++i) {
        if (i >= line.size()) return false;
        if (line[i] == '"') break;
        if (line[i] == '\\' && i + 1 < line.size() && std::strchr("\"\\$`", line[i + 1])) ++i;
        word += line[i];
      }
      inWord = true;
    } else if (c == '\\') {
      if (++i >= line.size()) return false;
      if (line[i] != '\n') word += line[i];  // backslash-newline joins lines
      inWord = true;
    } else {
      word += c;
      inWord = true;
    }
  }
  if (inWord) words->push_back(word);
  return true;
}

namespace {
// The file that starting `program` would run: the name itself when it has a
// '/', else the first executable regular file of that name in PATH.
std::string ProgramFile(const std::string& program) {
  if (program.find('/') != std::string::npos) return program;
  const char* variable = std::getenv("PATH");
  const std::string path = variable ? variable : "/bin:/usr/bin";
  for (size_t begin = 0;;) {
    const size_t end = std::min(path.find(':', begin), path.size());
    const std::string folder = path.substr(begin, end - begin);
    const std::string candidate = (folder.empty() ? "." : folder) + "/" + program;
    struct stat info {};
    if (stat(candidate.c_str(), &info) == 0 && S_ISREG(info.st_mode) && access(candidate.c_str(), X_OK) == 0)
      return candidate;
    if (end == path.size()) return "";
    begin = end + 1;
  }
}

// Starts the program; 0 and its process id, or the error number. The program
// starts with no signal blocked and every signal at its default action,
// whatever the host blocks or ignores. A file without an interpreter line
// ("#!") is run by /bin/sh as a script, the way a shell runs it.
int Spawn(const std::vector<std::string>& words, pid_t* pid) {
  if (words.empty()) return EINVAL;
  std::vector<char*> argv;
  for (const std::string& word : words) argv.push_back(const_cast<char*>(word.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addclosefrom_np(&actions, 3);
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  sigset_t none, all;
  sigemptyset(&none);
  sigfillset(&all);
  posix_spawnattr_setsigmask(&attributes, &none);
  posix_spawnattr_setsigdefault(&attributes, &all);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
  int error = posix_spawnp(pid, argv[0], &actions, &attributes, argv.data(), environ);
  if (error == ENOEXEC) {
    std::string script = ProgramFile(words[0]);
    if (!script.empty()) {
      std::vector<char*> shell{const_cast<char*>("/bin/sh"), script.data()};
      shell.insert(shell.end(), argv.begin() + 1, argv.end());
      error = posix_spawn(pid, shell[0], &actions, &attributes, shell.data(), environ);
    }
  }
  posix_spawnattr_destroy(&attributes);
  posix_spawn_file_actions_destroy(&actions);
  return error;
}

int WaitFor(pid_t pid, int* exitCode) {
  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) return errno;
  }
  if (exitCode) *exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return 0;
}

// Openers started and not yet collected: collected (without waiting) on
// each later start, so that neither a thread nor a zombie is left behind.
std::mutex openersLock;
std::vector<pid_t> openers;

void CollectFinishedOpeners() {
  std::lock_guard guard(openersLock);
  std::erase_if(openers, [](pid_t pid) { return waitpid(pid, nullptr, WNOHANG) != 0; });
}
}  // namespace

int RunProgramAndWait(const std::vector<std::string>& words, int* exitCode) {
  CollectFinishedOpeners();
  pid_t pid = 0;
  const int error = Spawn(words, &pid);
  return error ? error : WaitFor(pid, exitCode);
}

int OpenWithDesktop(const std::string& document) {
  CollectFinishedOpeners();
  pid_t pid = 0;
  const int error = Spawn({"xdg-open", document}, &pid);
  if (!error) {
    std::lock_guard guard(openersLock);
    openers.push_back(pid);
  }
  return error;
}

bool IsExistingFile(const std::string& path) {
  struct stat info {};
  return !path.empty() && stat(path.c_str(), &info) == 0 && !S_ISDIR(info.st_mode);
}

bool IsExecutableFile(const std::string& path) { return IsExistingFile(path) && access(path.c_str(), X_OK) == 0; }

std::string SystemErrorText(int error) {
  char buffer[256];
  return strerror_r(error, buffer, sizeof buffer);
}
