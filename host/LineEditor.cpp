#include "LineEditor.h"

#include <editline/readline.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <sstream>

namespace {
constexpr int kHistoryLines = 1000;

// The editline library keeps one global editor: so does this class.
LineEditor::Completer gCompleter;
std::vector<std::string> gMatches;

char* NextMatch(const char*, int state) {
  static size_t next = 0;
  if (state == 0) next = 0;
  return next < gMatches.size() ? strdup(gMatches[next++].c_str()) : nullptr;
}

char** Complete(const char* text, int start, int) {
  std::vector<std::string> before;
  std::istringstream words(std::string(rl_line_buffer, static_cast<size_t>(start)));
  for (std::string word; words >> word;) before.push_back(word);
  const auto matches = gCompleter(before, text);
  if (!matches) return nullptr;  // file names
  rl_attempted_completion_over = 1;
  gMatches = *matches;
  return gMatches.empty() ? nullptr : rl_completion_matches(text, NextMatch);
}
}  // namespace

std::string DefaultHistoryFile() {
  std::filesystem::path directory;
  if (const char* state = std::getenv("XDG_STATE_HOME"); state && *state)
    directory = state;
  else if (const char* home = std::getenv("HOME"); home && *home)
    directory = std::filesystem::path(home) / ".local" / "state";
  else
    return "";
  return (directory / "swmatrix" / "swmhost_history").string();
}

LineEditor::LineEditor(std::string historyFile, Completer completer) : historyFile_(std::move(historyFile)) {
  gCompleter = std::move(completer);
  rl_readline_name = "swmhost";
  rl_attempted_completion_function = Complete;
  using_history();
  stifle_history(kHistoryLines);
  if (historyFile_.empty()) return;
  std::error_code ignored;
  std::filesystem::create_directories(std::filesystem::path(historyFile_).parent_path(), ignored);
  read_history(historyFile_.c_str());
}

LineEditor::~LineEditor() { gCompleter = nullptr; }

std::optional<std::string> LineEditor::ReadLine(const char* prompt) {
  char* line = readline(prompt);
  if (!line) return std::nullopt;
  std::string text(line);
  std::free(line);
  // Blank lines and a repeat of the line before are not worth recalling.
  if (text.find_first_not_of(" \t") != std::string::npos && text != lastLine_) {
    add_history(text.c_str());
    lastLine_ = text;
    // Saved at once: a session ended by Ctrl-C or a crashing driver keeps its lines.
    if (!historyFile_.empty()) write_history(historyFile_.c_str());
  }
  return text;
}
