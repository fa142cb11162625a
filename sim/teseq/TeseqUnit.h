#pragma once
// A simulated Teseq switch unit: ten slots A–J, each empty or a switch with
// a number of outputs. Two command sets, chosen by the key "model":
//
//   rfb6000  "SET:STATE C 4" switches slot C to output 4 (0: no output),
//            without answer; "GET:POSARR?" answers the ten slots, e.g.
//            "6,6,4,-,2,6,6,6,6,6" ("-" an empty slot); "*GTL" goes to local;
//   rfb2000  "SET:POS C_4" switches and answers "OK" ("ERR" when the slot
//            is empty or has no such output); "GET:POS C" answers the
//            number of outputs (an empty answer for an empty slot).
//
// A command for an empty slot or an output the slot does not have changes
// nothing and is counted as rejected.
#include <array>
#include <nlohmann/json_fwd.hpp>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "sim/core/InstrumentFamily.h"

namespace sim {

class TeseqUnit : public InstrumentFamily {
public:
  static constexpr int kSlots = 10;
  static constexpr int kEmpty = -1;

  std::string_view Name() const override { return "teseq"; }
  // Keys: "model" (rfb6000, rfb2000), "outputs" (ten comma-separated
  // fields, a number of outputs or "-"), "posarr-reply" (a whole answer to
  // "GET:POSARR?", "slots" to answer the slots again), "idn".
  std::string Configure(const std::string& key, const std::string& value) override;
  std::optional<std::string> Handle(const std::string& command) override;
  void Reset() override;
  nlohmann::json State() const override;

  // The output a slot is switched to (0 none), kEmpty for an empty slot.
  int Position(char letter) const;
  int Rejected() const { return rejected_; }
  bool Local() const { return local_; }

private:
  bool Switch(char letter, std::string_view output);
  std::string PositionArray() const;

  bool rfb2000_ = false;
  std::array<int, kSlots> outputs_{6, 6, 6, 6, 6, 6, 6, 6, 6, 6};
  std::array<int, kSlots> positions_{};
  std::optional<std::string> positionArrayReply_;
  std::optional<std::string> identity_;
  int rejected_ = 0;
  bool local_ = true;
};

}  // namespace sim
