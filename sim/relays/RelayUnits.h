#pragma once
// Simple relay and switch units on a stream transport. Each keeps the state
// of its relays or switches, counts the commands it did not understand and
// answers only where the unit does:
//
// - "toyo" (a Toyo NS4900 relay unit, 10 relays): a command is a run of
//   "S<n>" (close relay n) and "R<n>" (open relay n), e.g. "S1R3"; no answer.
// - "sc1000" (an SC1000 switch controller, 7 switches of 4 positions):
//   "SW<n>-<p>" sets switch n to position p; "P1" (power-on preset) and "R"
//   (remote) are accepted; no answer. Blanks, CR and LF around a command are
//   ignored, and so are empty commands.
// - "kre" (a KRE relay box, 9 relays of positions 0 to 6): a command is a
//   run of "R<n>P<p>", e.g. "R2P5R3P0"; no answer.
// - "denkovi" (a 16-relay board): "<nn>+//" switches relay nn on (normally
//   open contact closed), "<nn>-//" off, "ask//" answers two bytes, relays
//   1-8 and 9-16 as bits (relay 1 in bit 0 of the first byte), with no
//   terminator. Configure it with terminator none: several commands in one
//   read are taken apart at "//".
//
// The state (JSON) lists the positions, 0 for a relay or switch never set.
#include <nlohmann/json_fwd.hpp>
#include <optional>
#include <string>
#include <vector>

#include "sim/core/InstrumentFamily.h"

namespace sim {

class RelayUnit : public InstrumentFamily {
public:
  RelayUnit(std::string name, int count) : name_(std::move(name)), positions_(count, 0) {}

  std::string_view Name() const override { return name_; }
  std::string Configure(const std::string& key, const std::string& value) override;
  void Reset() override;
  nlohmann::json State() const override;

  // Position of relay or switch n (from 1): 0 never set / open, else its position.
  int Position(int number) const { return positions_.at(number - 1); }
  const std::vector<int>& Positions() const { return positions_; }
  size_t Rejected() const { return rejected_; }
  const std::vector<std::string>& Accepted() const { return accepted_; }

protected:
  bool SetPosition(int number, int position, int highest);
  void Reject() { ++rejected_; }
  void Accept(const std::string& command) { accepted_.push_back(command); }

private:
  std::string name_;
  std::vector<int> positions_;
  std::vector<std::string> accepted_;
  size_t rejected_ = 0;
};

class ToyoUnit : public RelayUnit {
public:
  ToyoUnit() : RelayUnit("toyo", 10) {}
  std::optional<std::string> Handle(const std::string& command) override;
};

class Sc1000Controller : public RelayUnit {
public:
  Sc1000Controller() : RelayUnit("sc1000", 7) {}
  std::optional<std::string> Handle(const std::string& command) override;
};

class KreBox : public RelayUnit {
public:
  KreBox() : RelayUnit("kre", 9) {}
  std::optional<std::string> Handle(const std::string& command) override;
};

class DenkoviBoard : public RelayUnit {
public:
  DenkoviBoard() : RelayUnit("denkovi", 16) {}
  std::optional<std::string> Handle(const std::string& command) override;
};

}  // namespace sim
