#pragma once
// A simulated Novotronik GTS unit with eight coaxial switches, each set to
// one of its poles. Commands: "*IDN" (or "*IDN?"), "STI" (answers "STI" and
// the model), "STM" (answers "STM" and the switch count), "SESnnPmm" (sets
// switch nn to pole mm, no answer) and "STS" (answers the pole of every
// switch: "S01P00 S02P03 ...").
//
// Keys: "framing" (stx-etx: every command and answer between STX and ETX,
// for serial lines, used with "terminator = none"; plain: one command per
// line), "idn", "model", "poles" (poles per switch, default 8), "stuck"
// ("S:P": switch S stays at pole P whatever it is sent; none).
#include <array>
#include <nlohmann/json_fwd.hpp>
#include <optional>
#include <string>

#include "sim/core/InstrumentFamily.h"

namespace sim {

class NovotronikUnit : public InstrumentFamily {
public:
  static constexpr int kSwitches = 8;

  std::string_view Name() const override { return "novotronik"; }
  std::string Configure(const std::string& key, const std::string& value) override;
  std::optional<std::string> Handle(const std::string& command) override;
  void Reset() override;
  nlohmann::json State() const override;

  // The pole of switch 1 to 8.
  int Pole(int switchNumber) const { return poles_[static_cast<size_t>(switchNumber - 1)]; }
  size_t SetCommands() const { return setCommands_; }
  size_t StatusQueries() const { return statusQueries_; }

private:
  std::optional<std::string> Execute(const std::string& command);

  bool framed_ = true;
  std::string identity_ = "NOVOTRONIK,GTS6501,SWMSIM,1.0";
  std::string model_ = "GTS6501";
  int poleCount_ = 8;
  int stuckSwitch_ = 0;  // 0: none
  int stuckPole_ = 0;
  std::array<int, kSwitches> poles_{};
  std::string pending_;
  size_t setCommands_ = 0;
  size_t statusQueries_ = 0;
  size_t unknown_ = 0;
};

}  // namespace sim
