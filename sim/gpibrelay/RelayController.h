#pragma once
// GPIB relay and switch controllers: each model decodes its own commands
// into the states of its relays, switches or outputs, and rejects a
// malformed command whole (nothing changes; the rejection is counted), so
// that a driver sending a wrong command is caught.
//
// Models ("model" key): hp11713a (relays 0..9: "A<digits>" sets, "B<digits>"
// resets, groups joined in one message), hp59307 (switches A, B: "A0".."A3"
// = position 1..4, joined), emco2090 (outputs 1..4: "AUX n ON|OFF"),
// emco5390 (one positioner: "P1".."P12", "PLD" = load; IEEE 488.2 status
// with "*OPC" arming the operation-complete event of the next move, which
// ends "opc-delay" ms later, or never), sciu (switches A, B, B1, B3, B5, B7:
// "TO:<name>,<0|1>", "A0" read as "A"), ics4874 / ics4864 (relays 01..n:
// "R<nn>1" sets, "R<nn>0" resets; "@" identifies; "I<nn>?" reads input nn).
#include <chrono>
#include <optional>
#include <regex>
#include <string>
#include <utility>
#include <vector>

#include "sim/core/InstrumentFamily.h"

namespace sim {

class RelayController : public InstrumentFamily {
public:
  enum class Model { kHp11713a, kHp59307, kEmco2090, kEmco5390, kSciu, kIcs4874, kIcs4864 };

  RelayController() { SetModel(Model::kHp11713a); }

  std::string_view Name() const override { return "relaycontroller"; }
  // Keys: "model", "idn", "relays" (ICS relay count), "inputs" (ICS inputs
  // 1..8 as a text of 0 and 1), "opc-delay" (ms or "never"),
  // "stop-listening" (REGEX: a matching command is the last one the device
  // listens to until it is reset; empty switches it off).
  std::string Configure(const std::string& key, const std::string& value) override;
  std::optional<std::string> Handle(const std::string& command) override;
  void Reset() override;
  uint8_t StatusByte() const override;
  uint8_t ServiceRequestEnable() const override { return sre_; }
  bool Listening() const override { return !hung_; }
  std::optional<uint32_t> PendingChangeMs() const override;
  void Tick() override;
  nlohmann::json State() const override;

  // The state of an item ("" while it was never switched).
  std::string Item(const std::string& name) const;
  // "name=value" of every switched item, in the model's order, joined by blanks.
  std::string Summary() const;
  size_t Rejected() const { return rejected_; }
  const std::string& LastRejected() const { return lastRejected_; }
  bool Moving() const { return moving_; }

private:
  using Clock = std::chrono::steady_clock;
  void SetModel(Model model);
  // The changes a command asks for, or nothing when it is malformed.
  std::optional<std::vector<std::pair<std::string, std::string>>> Decode(const std::string& command) const;
  std::optional<std::string> HandleEmco5390(const std::string& command);
  std::optional<std::string> HandleUnit5390(const std::string& unit, bool* ok);
  void Reject(const std::string& command);
  void Apply(const std::vector<std::pair<std::string, std::string>>& changes);
  void CompleteMove();

  Model model_ = Model::kHp11713a;
  std::string idn_;
  int relays_ = 0;
  std::string inputs_ = "00000000";
  std::optional<uint32_t> opcDelayMs_ = 0;  // nothing: never
  std::optional<std::regex> stopListening_;
  std::string stopListeningText_;
  std::vector<std::pair<std::string, std::string>> items_;
  size_t rejected_ = 0;
  std::string lastRejected_;
  bool hung_ = false;
  // IEEE 488.2 status of the 5390.
  uint8_t esr_ = 0, ese_ = 0, sre_ = 0;
  bool opcArmed_ = false;
  bool moving_ = false;
  Clock::time_point moveEnds_;
};

}  // namespace sim
