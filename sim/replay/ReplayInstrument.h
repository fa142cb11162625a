#pragma once
// The replay family: answers each command with what a real instrument
// answered in a capture (`capture = FILE`, `source = ` the instrument's name
// in it), by the rules of ReplayScript, and sends the output the instrument
// gave unasked at its recorded offset. A command the capture never saw gets
// the `unmatched` answer at once (by default the error answer "ERROR 100"
// with the recorded line end), so the driver's exchange ends at once rather
// than after its time-outs.
#include <chrono>
#include <deque>
#include <functional>
#include <optional>
#include <string>

#include "sim/core/InstrumentFamily.h"
#include "sim/replay/ReplayScript.h"

namespace sim {

class ReplayInstrument : public InstrumentFamily {
public:
  std::string_view Name() const override { return "replay"; }
  // Called (with the simulator lock held) on the first unmatched command
  // after the start or a reset, with a line for people saying what came and
  // what the capture expected.
  using UnmatchedListener = std::function<void(const std::string& line)>;
  void OnFirstUnmatched(UnmatchedListener listener) { listener_ = std::move(listener); }

  // Keys: "capture" (the file) and "source" (the instrument in it), read
  // when both are known; "unmatched" (an escaped text, or "none").
  std::string Configure(const std::string& key, const std::string& value) override;
  std::string CheckConfiguration() const override;
  std::optional<std::string> Handle(const std::string& command) override;
  // Back to the first step.
  void Reset() override;
  std::optional<uint32_t> PendingChangeMs() const override;
  void Tick() override;
  std::string TakeUnasked() override;
  nlohmann::json State() const override;

private:
  using Clock = std::chrono::steady_clock;
  struct Due {
    Clock::time_point at;
    std::string bytes;
  };
  void Plan(const std::vector<UnaskedOutput>& outputs);

  std::optional<std::string> UnmatchedAnswer() const;

  std::string capture_, source_;
  std::optional<std::string> unmatchedAnswer_;  // as configured; unset: the default
  bool silentWhenUnmatched_ = false;           // "unmatched = none"
  UnmatchedListener listener_;
  ReplayScript script_;
  std::deque<Due> due_;   // in time order
  std::string outbox_;    // due and not yet taken by the transport
  size_t unaskedSent_ = 0;
};

}  // namespace sim
