#include "sim/core/CommandFramer.h"

#include <algorithm>

namespace sim {

std::vector<std::string> CommandFramer::Feed(std::string_view bytes, Terminator terminator) {
  std::vector<std::string> commands;
  const std::string_view end = TerminatorBytes(terminator);
  if (end.empty()) {
    if (!bytes.empty()) commands.emplace_back(bytes);
    return commands;
  }
  // Search only the new bytes (and the few before them that could start a terminator).
  size_t searchFrom = pending_.size() >= end.size() - 1 ? pending_.size() - (end.size() - 1) : 0;
  pending_.append(bytes);
  size_t start = 0;
  for (;;) {
    const size_t found = pending_.find(end, std::max(start, searchFrom));
    if (found == std::string::npos) break;
    commands.push_back(pending_.substr(start, found - start));
    start = found + end.size();
    searchFrom = start;
  }
  pending_.erase(0, start);
  return commands;
}

std::vector<std::string> CommandFramer::SplitMessage(std::string_view message,
                                                     Terminator terminator) {
  CommandFramer framer;
  std::vector<std::string> commands = framer.Feed(message, terminator);
  if (!framer.Pending().empty()) commands.push_back(framer.Pending());
  return commands;
}

}  // namespace sim
