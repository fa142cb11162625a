#pragma once
// Creates the transport binding of an instrument.
#include <memory>

#include "sim/core/Binding.h"
#include "sim/core/InstrumentSettings.h"
#include "sim/core/SimulatorContext.h"

namespace sim {

class Instrument;

std::unique_ptr<Binding> CreateBinding(SimulatorContext& context, Instrument& instrument,
                                       const InstrumentSettings& settings);

}  // namespace sim
