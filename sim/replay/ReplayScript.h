#pragma once
// The matcher of a replayed instrument: the recorded exchanges of one
// instrument as steps (a command, the answer read after it, and what came
// unasked before the next command), and the rules that pick the step for a
// command received now:
//  1. the step at the position (in order); the position moves on;
//  2. further ahead, the step after the one at the position, or beyond it
//     while the steps skipped repeat the command before them (a poll loop
//     that ended sooner); right after an unmatched command, the next step
//     with the command however far ahead (a driver that met a difference may
//     leave out what followed); the position moves past the step taken;
//  3. a command recorded before the position (a query asked again, a poll
//     loop that runs longer) gets the answer it got there the last time;
//     the position stays;
//  4. anything else is unmatched: counted, the first one kept; the
//     instrument answers it as it chose (ReplayInstrument).
// Unasked output comes with the step taken by rule 1 or 2, at its recorded
// offset after the command; unasked output before the first command is
// offered when the script is made.
#include <cstdint>
#include <nlohmann/json_fwd.hpp>
#include <optional>
#include <string>
#include <vector>

#include "sim/replay/CaptureFile.h"

namespace sim {

struct UnaskedOutput {
  int64_t afterMs = 0;  // after the command of its step (before the first command: after the start)
  std::string bytes;
};

struct ReplayStep {
  std::string command;  // as written, terminator included
  std::optional<std::string> answer;
  std::vector<UnaskedOutput> unasked;
};

struct ReplayMatch {
  std::optional<std::string> answer;
  std::vector<UnaskedOutput> unasked;
  bool unmatched = false;  // rule 4
};

class ReplayScript {
public:
  ReplayScript() = default;
  // The first read after a write is its answer; later reads before the next
  // write are unasked output, as are reads before the first write.
  explicit ReplayScript(const std::vector<CapturedTransfer>& transfers);

  // The command without its terminator, as the simulator cut it.
  ReplayMatch Match(const std::string& command);
  // Back to the first step; the counts start again.
  void Rewind();

  const std::vector<ReplayStep>& Steps() const { return steps_; }
  const std::vector<UnaskedOutput>& Leading() const { return leading_; }
  // The line end the recorded answers end with (LF, CR LF or CR; the last
  // answer that has one); nothing when no answer was recorded.
  std::optional<std::string> AnswerLineEnd() const;
  size_t Position() const { return position_; }
  size_t Unmatched() const { return unmatched_; }
  // position, steps, matched, repeated, skipped, unmatched, first_unmatched
  nlohmann::json State() const;

private:
  std::optional<size_t> Ahead(const std::string& command) const;
  std::optional<size_t> Before(const std::string& command) const;

  std::vector<ReplayStep> steps_;
  std::vector<UnaskedOutput> leading_;
  size_t position_ = 0;
  size_t matched_ = 0;    // rules 1 and 2
  size_t repeated_ = 0;   // rule 3
  size_t skipped_ = 0;    // steps passed over by rule 2
  size_t unmatched_ = 0;
  std::optional<std::string> firstUnmatched_;
  bool lost_ = false;  // the last command that was not repeated was unmatched
};

// Whether a command cut by the simulator is the recorded one: the same bytes,
// or the recorded bytes with one line end (LF, CR LF or CR) after them.
bool SameCommand(const std::string& recorded, const std::string& received);

}  // namespace sim
