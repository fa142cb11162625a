#pragma once
// An instrument whose output is switched on and off ("OUTPUT ON", "OUTPUT
// OFF", "OUTPUT?" answers 1 or 0) and that records every change of its
// output with the time since power-on, so that a test can check the order
// and number of the changes a driver made. A command that repeats the
// present state is counted but is no change; anything else is rejected.
#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "sim/core/InstrumentFamily.h"

namespace sim {

class OutputCycler : public InstrumentFamily {
public:
  struct Change {
    bool on;
    int64_t atMs;  // since power-on
  };

  OutputCycler() { Reset(); }
  std::string_view Name() const override { return "outputcycler"; }
  // Keys: "idn", "output" (on or off: the state at power-on).
  std::string Configure(const std::string& key, const std::string& value) override;
  std::optional<std::string> Handle(const std::string& command) override;
  // Output as at power-on, the record of changes emptied.
  void Reset() override;
  nlohmann::json State() const override;

  bool On() const { return on_; }
  const std::vector<Change>& Changes() const { return changes_; }
  // "ON" / "OFF" for each change, oldest first.
  std::vector<std::string> ChangeWords() const;
  size_t Unchanged() const { return unchanged_; }
  size_t Rejected() const { return rejected_; }

private:
  std::string idn_ = "SWMSIM,OUTPUT-CYCLER,0,1.0";
  std::chrono::steady_clock::time_point poweredOn_;
  bool on_ = false;
  bool onAtPowerOn_ = false;
  std::vector<Change> changes_;
  size_t unchanged_ = 0;
  size_t rejected_ = 0;
};

}  // namespace sim
