#include "sim/replay/ReplayScript.h"

#include <nlohmann/json.hpp>

#include "sim/core/WireText.h"

namespace sim {

bool SameCommand(const std::string& recorded, const std::string& received) {
  if (recorded.size() < received.size() || recorded.compare(0, received.size(), received) != 0) return false;
  const std::string_view rest = std::string_view(recorded).substr(received.size());
  return rest.empty() || rest == "\n" || rest == "\r\n" || rest == "\r";
}

ReplayScript::ReplayScript(const std::vector<CapturedTransfer>& transfers) {
  std::optional<int64_t> commandMs;
  const int64_t startMs = transfers.empty() ? 0 : transfers.front().timeMs;
  for (const CapturedTransfer& transfer : transfers) {
    if (transfer.sent) {
      steps_.push_back({transfer.bytes, std::nullopt, {}});
      commandMs = transfer.timeMs;
    } else if (!commandMs) {
      leading_.push_back({transfer.timeMs - startMs, transfer.bytes});
    } else if (!steps_.back().answer) {
      steps_.back().answer = transfer.bytes;
    } else {
      steps_.back().unasked.push_back({transfer.timeMs - *commandMs, transfer.bytes});
    }
  }
}

std::optional<size_t> ReplayScript::Ahead(const std::string& command) const {
  for (size_t step = position_ + 1; step < steps_.size(); ++step) {
    if (SameCommand(steps_[step].command, command)) return step;
    // Only the rest of a poll loop is passed over, unless the place is lost.
    if (!lost_ && steps_[step].command != steps_[step - 1].command) break;
  }
  return std::nullopt;
}

std::optional<size_t> ReplayScript::Before(const std::string& command) const {
  for (size_t step = position_; step-- > 0;)
    if (SameCommand(steps_[step].command, command)) return step;
  return std::nullopt;
}

ReplayMatch ReplayScript::Match(const std::string& command) {
  std::optional<size_t> taken;
  if (position_ < steps_.size() && SameCommand(steps_[position_].command, command)) taken = position_;
  else if (position_ < steps_.size()) taken = Ahead(command);
  if (taken) {
    skipped_ += *taken - position_;
    position_ = *taken + 1;
    ++matched_;
    lost_ = false;
    return {steps_[*taken].answer, steps_[*taken].unasked};
  }
  if (const std::optional<size_t> earlier = Before(command)) {
    ++repeated_;
    return {steps_[*earlier].answer, {}};
  }
  ++unmatched_;
  lost_ = true;
  if (!firstUnmatched_) firstUnmatched_ = command;
  return {std::nullopt, {}, true};
}

std::optional<std::string> ReplayScript::AnswerLineEnd() const {
  bool answered = false;
  for (auto step = steps_.rbegin(); step != steps_.rend(); ++step) {
    if (!step->answer) continue;
    answered = true;
    const std::string& answer = *step->answer;
    if (answer.ends_with("\r\n")) return "\r\n";
    if (answer.ends_with("\n")) return "\n";
    if (answer.ends_with("\r")) return "\r";
  }
  return answered ? std::optional<std::string>("") : std::nullopt;
}

void ReplayScript::Rewind() {
  position_ = matched_ = repeated_ = skipped_ = unmatched_ = 0;
  firstUnmatched_.reset();
  lost_ = false;
}

nlohmann::json ReplayScript::State() const {
  return {{"position", position_},
          {"steps", steps_.size()},
          {"matched", matched_},
          {"repeated", repeated_},
          {"skipped", skipped_},
          {"unmatched", unmatched_},
          {"first_unmatched", firstUnmatched_ ? nlohmann::json(BytesToUtf8(*firstUnmatched_)) : nlohmann::json()},
          {"next_expected", position_ < steps_.size() ? nlohmann::json(BytesToUtf8(steps_[position_].command))
                                                      : nlohmann::json()}};
}

}  // namespace sim
