#pragma once
// An FTDI chip in its synchronous serial engine (MPSSE) mode, as the
// simulated D2XX library presents it: the bytes written are engine commands
// (parsed across writes), pin reads and clocked-in data are answered, and a
// byte that is no command is answered 0xFA and the byte ("bad command"),
// which is how hosts synchronise with the engine. The library reports the
// chip's open state and settings through configuration keys, and a test
// injects the D2XX status a call fails with.
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "sim/core/InstrumentFamily.h"

namespace sim {

class MpsseChip : public InstrumentFamily {
public:
  enum class Sync { kEcho, kWrong, kSilent };

  std::string_view Name() const override { return "ftdi"; }
  // Keys: "description", "sync" (echo, wrong or silent), "fail" ("CALL
  // STATUS", e.g. "FT_OpenEx 2"; "CALL 0" or "none" clears), and those the
  // library sets: "opened" (yes/no), "bit-mode" ("MASK MODE"), "latency"
  // (ms), "timeouts" ("READ WRITE" in ms).
  std::string Configure(const std::string& key, const std::string& value) override;
  std::optional<std::string> Handle(const std::string& command) override;
  void Reset() override;
  void DeviceClear() override { pending_.clear(); }
  nlohmann::json State() const override;

private:
  // Parses the complete commands at the start of pending_; appends answers.
  void Execute(std::string& answer);

  std::string description_ = "SWMSIM MPSSE";
  Sync sync_ = Sync::kEcho;
  std::map<std::string, int> failures_;
  bool opened_ = false;
  int bitMask_ = 0, bitMode_ = 0, latencyMs_ = 16, readTimeoutMs_ = 0, writeTimeoutMs_ = 0;
  std::string pending_;  // the start of a command whose arguments are still coming
  uint8_t lowValue_ = 0, lowDirection_ = 0, highValue_ = 0, highDirection_ = 0;
  bool loopback_ = false, divideBy5_ = true;
  int divisor_ = 0;
  std::vector<int> badCommands_;
};

}  // namespace sim
