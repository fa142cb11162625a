#pragma once
// A Probex 5 field probe connected directly ("probex"): answers "*IDN?" and
// "A*IDN?" with its identification (key "idn", default
// "Kovalex,PROBEX5,10042,2.1.0"), "LOCAL" with "OK", and follows an
// adjustment: "!ADJUST_START <axis><band>[<antenna>]" (X/Y/Z, HB1, HB2 or
// LB), "!ADJUST_FIELD <mV/m>" (only while adjusting) and "!ADJUST_STOP",
// each answered "OK". Anything else, or a field outside an adjustment, is
// answered "ERROR <n>" (key "error-number", default 7), the Hubline way.
#include <nlohmann/json_fwd.hpp>
#include <optional>
#include <string>
#include <vector>

#include "sim/core/InstrumentFamily.h"

namespace sim {

class ProbexProbe : public InstrumentFamily {
public:
  std::string_view Name() const override { return "probex"; }
  std::string Configure(const std::string& key, const std::string& value) override;
  std::optional<std::string> Handle(const std::string& command) override;
  void Reset() override;
  nlohmann::json State() const override;

  bool Adjusting() const { return adjusting_; }
  // The axis, band and antenna of the last start ("YHB2", "XLB").
  const std::string& Target() const { return target_; }
  // Every field received in the current or last adjustment, in mV/m.
  const std::vector<long>& Fields() const { return fields_; }
  size_t Completed() const { return completed_; }

private:
  std::string idn_ = "Kovalex,PROBEX5,10042,2.1.0";
  long errorNumber_ = 7;
  bool adjusting_ = false;
  std::string target_;
  std::vector<long> fields_;
  size_t completed_ = 0;
};

}  // namespace sim
