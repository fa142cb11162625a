#pragma once
// A simulated OSP switch platform frame: module slots addressed as the
// frame model names them (osp120/osp130: A11–A13; osp220: M01–M03,
// M06–M08; osp230: M01–M03, M06, M07; osp320: M01–M10), each empty or
// holding a relay module ("module-m06 = B107").
//
// "ROUTE:CLOSE (@F01M06(0301))" closes channel 01 of relay 03 of the module
// at M06 in frame 01. A command for another frame, an empty or unknown
// module place, a relay or a channel the module does not have changes
// nothing: it is counted as rejected and puts -222,"Data out of range"
// into the error queue ("SYST:ERR?"; "*CLS" clears it).
#include <map>
#include <nlohmann/json_fwd.hpp>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "sim/core/InstrumentFamily.h"

namespace sim {

class OspFrame : public InstrumentFamily {
public:
  std::string_view Name() const override { return "osp"; }
  // Keys: "model" (osp120, osp130, osp220, osp230, osp320), "frame" (its
  // number, default 1), "module-PLACE" (B101 … B136, or none), "idn".
  std::string Configure(const std::string& key, const std::string& value) override;
  std::optional<std::string> Handle(const std::string& command) override;
  void Reset() override;
  nlohmann::json State() const override;

  // The channel relay r of the module at the place (e.g. "M06") is closed
  // to, or -1 when it was never closed.
  int Channel(const std::string& place, int relay) const;
  // Every accepted ROUTE:CLOSE as "M06(0301)", oldest first.
  const std::vector<std::string>& Closed() const { return closed_; }
  int Rejected() const { return rejected_; }

private:
  struct Module {
    std::string type;
    int firstRelay = 1;
    int relays = 0;
    int lowestChannel = 0;
    int highestChannel = 0;
    std::map<int, int> channels;  // relay -> closed channel
  };
  static std::optional<Module> ModuleOfType(const std::string& type);
  std::vector<std::string> Places() const;
  bool Close(std::string_view list);

  std::string model_ = "osp120";
  int frame_ = 1;
  std::map<std::string, Module> modules_;  // by place
  std::optional<std::string> identity_;
  std::vector<std::string> closed_;
  std::vector<std::string> errors_;
  int rejected_ = 0;
};

}  // namespace sim
