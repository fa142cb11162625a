#include "PromptCompletion.h"

#include <strings.h>

#include "HostNames.h"

namespace {
bool TakesNoDriver(const std::string& command) {
  return command == "create" || command == "drivers" || command == "events" || command == "help" ||
         command == "quit" || command == "exit" || command == "received" || command == "state";
}

std::vector<std::string> Candidates(const std::vector<std::string>& before, const CompletionSources& sources) {
  if (before.empty()) return CommandNames();
  const std::string& command = before[0];
  if (before.size() == 1) return TakesNoDriver(command) ? std::vector<std::string>{} : sources.driverNames();
  if (before.size() == 2) {
    if (command == "create") return sources.typeKeys();
    if (command == "event") return EventNames();
    if (command == "request") return RequestNames();
  }
  return {};
}
}  // namespace

std::optional<std::vector<std::string>> CompleteWord(const std::vector<std::string>& before, const std::string& word,
                                                     const CompletionSources& sources) {
  if (before.size() == 2 && (before[0] == "load" || before[0] == "save")) return std::nullopt;
  std::vector<std::string> matches;
  for (const std::string& candidate : Candidates(before, sources))
    if (strncasecmp(candidate.c_str(), word.c_str(), word.size()) == 0) matches.push_back(candidate);
  return matches;
}
