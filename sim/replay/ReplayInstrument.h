#pragma once
// The replay family: answers each command with what a real instrument
// answered in a capture (`capture = FILE`, `source = ` the instrument's name
// in it), by the rules of ReplayScript, and sends the output the instrument
// gave unasked at its recorded offset.
#include <chrono>
#include <deque>
#include <optional>
#include <string>

#include "sim/core/InstrumentFamily.h"
#include "sim/replay/ReplayScript.h"

namespace sim {

class ReplayInstrument : public InstrumentFamily {
public:
  std::string_view Name() const override { return "replay"; }
  // Keys: "capture" (the file) and "source" (the instrument in it); the
  // capture is read when both are known.
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

  std::string capture_, source_;
  ReplayScript script_;
  std::deque<Due> due_;   // in time order
  std::string outbox_;    // due and not yet taken by the transport
  size_t unaskedSent_ = 0;
};

}  // namespace sim
