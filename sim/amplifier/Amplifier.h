#pragma once
// A simulated RF power amplifier with an interlock monitor and a band and
// antenna switch. Two command sets, chosen by the key "model":
//
//   bba100  "SENS:INT?" answers the four interlock fields, device interlock
//           and group interlocks 1 to 3, e.g. "CLOS,CLOS,OPEN,NOTS";
//   bonn    "STATUS?" answers the status text, "EXECUTION_RESULT?" the
//           result of the last command, "REMOTE"/"LOCAL" switch the
//           control, "*RST" resets, "*SRE n"/"*SRE?" the service request
//           enable, "BAND=..." selects a band and antenna, and the bus
//           commands "SW01_1"/"SW01_2" the low and high band.
//
// Both answer "*IDN?". Every answer can be replaced by a test ("interlock-
// reply", "status", "execution-result"), so that faults, garbage and
// unknown replies can be produced.
#include <nlohmann/json_fwd.hpp>
#include <optional>
#include <string>
#include <string_view>

#include "sim/core/InstrumentFamily.h"

namespace sim {

class Amplifier : public InstrumentFamily {
public:
  enum class Model { kBba100, kBonn };

  std::string_view Name() const override { return "amplifier"; }
  // Keys: "model" (bba100, bonn), "idn", "interlock-device" and
  // "interlock-group1" to "interlock-group3" (four capital letters, e.g.
  // CLOS, OPEN, NOTS), "interlock-reply" (a whole answer to "SENS:INT?",
  // "fields" to go back to the fields), "status", "status-after-reset",
  // "execution-result", "sre".
  std::string Configure(const std::string& key, const std::string& value) override;
  std::optional<std::string> Handle(const std::string& command) override;
  void Reset() override;
  nlohmann::json State() const override;

  Model GetModel() const { return model_; }
  bool Remote() const { return remote_; }
  const std::string& Band() const { return band_; }
  int ServiceRequestEnableValue() const { return sre_; }
  int Resets() const { return resets_; }
  std::string InterlockAnswer() const;

private:
  std::string DefaultIdentity() const;

  Model model_ = Model::kBba100;
  std::optional<std::string> identity_;
  std::string fields_[4] = {"CLOS", "CLOS", "CLOS", "CLOS"};
  std::optional<std::string> interlockReply_;
  std::string status_ = "SYSTEM_OK";
  std::string statusAfterReset_ = "SYSTEM_OK";
  std::string executionResult_ = "OK";
  int sre_ = 0;
  bool remote_ = false;
  std::string band_;
  int resets_ = 0;
  int queries_ = 0;
  int unknown_ = 0;
};

}  // namespace sim
