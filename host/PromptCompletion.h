#pragma once
// What TAB offers at the prompt: commands first, then driver names, then the
// type key of `create`, the event of `event`, the request of `request`; file
// names for `load` and `save`.
#include <functional>
#include <optional>
#include <string>
#include <vector>

struct CompletionSources {
  std::function<std::vector<std::string>()> driverNames;
  std::function<std::vector<std::string>()> typeKeys;
};

// The candidates that start with `word` (ignoring case) after the words
// already on the line; nullopt where a file name is expected.
std::optional<std::vector<std::string>> CompleteWord(const std::vector<std::string>& before, const std::string& word,
                                                     const CompletionSources& sources);
