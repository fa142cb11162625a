#pragma once
// Message terminators of an instrument: what ends a command it reads and
// what it appends to an answer.
#include <optional>
#include <string_view>

namespace sim {

enum class Terminator { kNone, kLf, kCr, kCrLf };

// "lf", "cr", "crlf" or "none" (any case); nothing for other words.
std::optional<Terminator> ParseTerminator(std::string_view word);
std::string_view TerminatorName(Terminator terminator);
std::string_view TerminatorBytes(Terminator terminator);

}  // namespace sim
