#include "sim/core/FamilyRegistry.h"

#include <functional>

#include "sim/amplifier/Amplifier.h"
#include "sim/comtest/ComtestUnit.h"
#include "sim/eutcontroller/EutController.h"
#include "sim/ftdi/MpsseChip.h"
#include "sim/gpibrelay/RelayController.h"
#include "sim/hubline/HublineUnit.h"
#include "sim/novotronik/NovotronikUnit.h"
#include "sim/osd/OsdUnit.h"
#include "sim/outputcycler/OutputCycler.h"
#include "sim/osp/OspFrame.h"
#include "sim/probex/ProbexProbe.h"
#include "sim/programmable/ProgrammableInstrument.h"
#include "sim/relaybox/RelayBox.h"
#include "sim/relaycards/CardBoards.h"
#include "sim/relays/RelayUnits.h"
#include "sim/replay/ReplayInstrument.h"
#include "sim/scpi/ScpiInstrument.h"
#include "sim/stribel/StribelController.h"
#include "sim/teseq/TeseqUnit.h"

namespace sim {
namespace {

struct FamilyEntry {
  const char* name;
  std::function<std::unique_ptr<InstrumentFamily>()> create;
};

// New families are added here.
const std::vector<FamilyEntry>& Families() {
  static const std::vector<FamilyEntry> families = {
      {"scpi", [] { return std::make_unique<ScpiInstrument>(); }},
      {"hubline", [] { return std::make_unique<HublineUnit>(); }},
      {"programmable", [] { return std::make_unique<ProgrammableInstrument>(); }},
      {"ftdi", [] { return std::make_unique<MpsseChip>(); }},
      {"relaycontroller", [] { return std::make_unique<RelayController>(); }},
      {"outputcycler", [] { return std::make_unique<OutputCycler>(); }},
      {"amplifier", [] { return std::make_unique<Amplifier>(); }},
      {"teseq", [] { return std::make_unique<TeseqUnit>(); }},
      {"comtest", [] { return std::make_unique<ComtestUnit>(); }},
      {"osp", [] { return std::make_unique<OspFrame>(); }},
      {"toyo", [] { return std::make_unique<ToyoUnit>(); }},
      {"sc1000", [] { return std::make_unique<Sc1000Controller>(); }},
      {"kre", [] { return std::make_unique<KreBox>(); }},
      {"denkovi", [] { return std::make_unique<DenkoviBoard>(); }},
      {"eutcontroller", [] { return std::make_unique<EutController>(); }},
      {"mcc", [] { return std::make_unique<MccBoard>(); }},
      {"advantech", [] { return std::make_unique<AdvantechCard>(); }},
      {"probex", [] { return std::make_unique<ProbexProbe>(); }},
      {"relaybox", [] { return std::make_unique<RelayBox>(); }},
      {"stribel", [] { return std::make_unique<StribelController>(); }},
      {"novotronik", [] { return std::make_unique<NovotronikUnit>(); }},
      {"osd", [] { return std::make_unique<OsdUnit>(); }},
      {"replay", [] { return std::make_unique<ReplayInstrument>(); }},
  };
  return families;
}

}  // namespace

std::unique_ptr<InstrumentFamily> CreateFamily(std::string_view name) {
  for (const FamilyEntry& entry : Families())
    if (name == entry.name) return entry.create();
  return nullptr;
}

std::vector<std::string> FamilyNames() {
  std::vector<std::string> names;
  for (const FamilyEntry& entry : Families()) names.emplace_back(entry.name);
  return names;
}

std::string FamilyNamesText() {
  std::string text;
  for (const std::string& name : FamilyNames()) text += (text.empty() ? "" : ", ") + name;
  return text;
}

}  // namespace sim
