#include "sim/web/BenchSnapshot.h"

#include "sim/core/Simulator.h"

namespace sim {

nlohmann::json BenchSnapshot(Simulator& simulator) {
  nlohmann::json instruments = nlohmann::json::array();
  for (Instrument* instrument : simulator.Instruments()) {
    nlohmann::json state = instrument->State();
    state["recent"] = instrument->RecentExchanges();
    instruments.push_back(std::move(state));
  }
  return {{"instruments", std::move(instruments)}};
}

}  // namespace sim
