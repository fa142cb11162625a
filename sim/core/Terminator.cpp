#include "sim/core/Terminator.h"

#include <strings.h>

#include <string>

namespace sim {

std::optional<Terminator> ParseTerminator(std::string_view word) {
  static const Terminator kAll[] = {Terminator::kNone, Terminator::kLf, Terminator::kCr,
                                    Terminator::kCrLf};
  const std::string text(word);
  for (Terminator terminator : kAll)
    if (strcasecmp(text.c_str(), std::string(TerminatorName(terminator)).c_str()) == 0)
      return terminator;
  return std::nullopt;
}

std::string_view TerminatorName(Terminator terminator) {
  switch (terminator) {
    case Terminator::kNone: return "none";
    case Terminator::kLf: return "lf";
    case Terminator::kCr: return "cr";
    case Terminator::kCrLf: return "crlf";
  }
  return "none";
}

std::string_view TerminatorBytes(Terminator terminator) {
  switch (terminator) {
    case Terminator::kNone: return "";
    case Terminator::kLf: return "\n";
    case Terminator::kCr: return "\r";
    case Terminator::kCrLf: return "\r\n";
  }
  return "";
}

}  // namespace sim
