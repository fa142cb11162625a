#pragma once
// The instrument families the simulator knows, by name.
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "sim/core/InstrumentFamily.h"

namespace sim {

// A new instrument of the family, or null for an unknown name.
std::unique_ptr<InstrumentFamily> CreateFamily(std::string_view name);
std::vector<std::string> FamilyNames();
// "scpi, ..." for error texts.
std::string FamilyNamesText();

}  // namespace sim
