#include "sim/replay/ReplayInstrument.h"

#include <algorithm>
#include <nlohmann/json.hpp>

#include "sim/core/WireText.h"

namespace sim {

namespace {
// What a Hubline unit answers to a command it does not know; other drivers
// fail at once on it too, as on any answer they cannot use.
constexpr const char* kDefaultUnmatchedAnswer = "ERROR 100";
}  // namespace

std::string ReplayInstrument::Configure(const std::string& key, const std::string& value) {
  if (key == "unmatched") {
    std::string error;
    silentWhenUnmatched_ = value == "none";
    unmatchedAnswer_.reset();
    if (!silentWhenUnmatched_) unmatchedAnswer_ = UnescapeText(value, &error);
    return silentWhenUnmatched_ || unmatchedAnswer_ ? "" : "unmatched: " + error;
  }
  if (key == "capture") capture_ = value;
  else if (key == "source") source_ = value;
  else return "unknown key '" + key + "' for family replay (capture, source, unmatched)";
  if (capture_.empty() || source_.empty()) return "";
  std::vector<CapturedTransfer> transfers;
  std::string error;
  if (!ReadCapture(capture_, source_, &transfers, &error)) return error;
  script_ = ReplayScript(transfers);
  Reset();
  return "";
}

std::string ReplayInstrument::CheckConfiguration() const {
  if (capture_.empty() || source_.empty()) return "a replay instrument needs 'capture' and 'source'";
  return "";
}

void ReplayInstrument::Plan(const std::vector<UnaskedOutput>& outputs) {
  const Clock::time_point now = Clock::now();
  for (const UnaskedOutput& output : outputs) {
    const Due due{now + std::chrono::milliseconds(std::max<int64_t>(0, output.afterMs)), output.bytes};
    due_.insert(std::upper_bound(due_.begin(), due_.end(), due, [](const Due& a, const Due& b) { return a.at < b.at; }),
                due);
  }
}

std::optional<std::string> ReplayInstrument::Handle(const std::string& command) {
  if (command.empty()) return std::nullopt;  // a line end alone
  ReplayMatch match = script_.Match(command);
  Plan(match.unasked);
  if (!match.unmatched) return std::move(match.answer);
  if (listener_ && script_.Unmatched() == 1) {
    const size_t position = script_.Position();
    const std::vector<ReplayStep>& steps = script_.Steps();
    const std::string expected =
        position < steps.size() ? "it expected \"" + EscapeBytes(steps[position].command) + "\" at step " +
                                      std::to_string(position + 1) + " of " + std::to_string(steps.size())
                                : "all its " + std::to_string(steps.size()) + " steps were taken";
    listener_("\"" + EscapeBytes(command) + "\" is not in the capture (" + expected + ")");
  }
  return UnmatchedAnswer();
}

std::optional<std::string> ReplayInstrument::UnmatchedAnswer() const {
  if (silentWhenUnmatched_) return std::nullopt;
  if (unmatchedAnswer_) return unmatchedAnswer_;
  // An instrument that never answered on the bench is only written to: no
  // driver waits for an answer from it.
  const std::optional<std::string> lineEnd = script_.AnswerLineEnd();
  if (!lineEnd) return std::nullopt;
  return kDefaultUnmatchedAnswer + *lineEnd;
}

void ReplayInstrument::Reset() {
  script_.Rewind();
  due_.clear();
  outbox_.clear();
  Plan(script_.Leading());
}

std::optional<uint32_t> ReplayInstrument::PendingChangeMs() const {
  if (due_.empty()) return std::nullopt;
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(due_.front().at - Clock::now()).count();
  return static_cast<uint32_t>(std::max<int64_t>(0, left));
}

void ReplayInstrument::Tick() {
  const Clock::time_point now = Clock::now();
  while (!due_.empty() && due_.front().at <= now) {
    outbox_ += due_.front().bytes;
    due_.pop_front();
  }
}

std::string ReplayInstrument::TakeUnasked() {
  if (!outbox_.empty()) ++unaskedSent_;
  return std::exchange(outbox_, {});
}

nlohmann::json ReplayInstrument::State() const {
  nlohmann::json state = script_.State();
  state["capture"] = capture_;
  state["source"] = source_;
  state["unasked_sent"] = unaskedSent_;
  state["unasked_waiting"] = due_.size();
  return state;
}

}  // namespace sim
