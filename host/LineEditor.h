#pragma once
// Reads prompt lines from a terminal with line editing, a history that lasts
// from one session to the next, and TAB completion (the BSD editline library).
#include <functional>
#include <optional>
#include <string>
#include <vector>

class LineEditor {
public:
  // Completes `word` after the words before it on the line; nullopt leaves
  // the word to file name completion.
  using Words = std::vector<std::string>;
  using Completer = std::function<std::optional<Words>(const Words& before, const std::string& word)>;

  // `historyFile`: read now, written after every new line (empty: none).
  LineEditor(std::string historyFile, Completer completer);
  ~LineEditor();
  LineEditor(const LineEditor&) = delete;
  LineEditor& operator=(const LineEditor&) = delete;

  // The next line, nullopt at the end of input (Ctrl-D).
  std::optional<std::string> ReadLine(const char* prompt);

private:
  std::string historyFile_;
  std::string lastLine_;
};

// $XDG_STATE_HOME/swmatrix/swmhost_history, else ~/.local/state/swmatrix/...;
// empty when neither variable is set.
std::string DefaultHistoryFile();
