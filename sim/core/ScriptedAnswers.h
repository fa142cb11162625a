#pragma once
// Scripted commands of an instrument: a command matched exactly or by a
// regular expression gets a fixed answer (with $1.. from the match), or is
// accepted without an answer.
#include <cstddef>
#include <nlohmann/json_fwd.hpp>
#include <optional>
#include <regex>
#include <string>
#include <string_view>
#include <vector>

namespace sim {

class ScriptedAnswers {
public:
  struct Match {
    bool matched = false;
    std::optional<std::string> answer;  // nothing for an accepted command
  };

  // Configuration keys: "answer" (QUERY -> ANSWER), "answer-re" (REGEX ->
  // ANSWER), "accept" (COMMAND), "accept-re" (REGEX) and "clear-answers".
  // Returns true when the key is one of them; *error is set when its value is bad.
  bool Configure(const std::string& key, const std::string& value, std::string* error);
  // The first entry that matches, in the order they were added.
  Match Find(std::string_view command);
  size_t Size() const { return entries_.size(); }
  void Clear() { entries_.clear(); }
  nlohmann::json State() const;

private:
  struct Entry {
    std::string pattern;
    bool isRegex = false;
    std::regex regex;
    std::optional<std::string> answer;
    size_t hits = 0;
  };
  std::string Add(std::string pattern, bool isRegex, std::optional<std::string> answer);

  std::vector<Entry> entries_;
};

// Surrounding spaces, tabs and line ends removed.
std::string_view TrimCommand(std::string_view text);

}  // namespace sim
