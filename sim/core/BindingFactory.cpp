#include "sim/core/BindingFactory.h"

#include "sim/core/BusBinding.h"
#include "sim/core/HttpBinding.h"
#include "sim/core/PtyBinding.h"
#include "sim/core/TcpBinding.h"
#include "sim/core/UdpBinding.h"
#include "sim/core/Vxi11Binding.h"
#include "sim/hislip/HislipBinding.h"

namespace sim {

std::unique_ptr<Binding> CreateBinding(SimulatorContext& context, Instrument& instrument,
                                       const InstrumentSettings& settings) {
  switch (settings.transport) {
    case TransportKind::kTcp: return std::make_unique<TcpBinding>(context, instrument, settings);
    case TransportKind::kHttp: return std::make_unique<HttpBinding>(context, instrument, settings);
    case TransportKind::kUdp: return std::make_unique<UdpBinding>(context, instrument, settings);
    case TransportKind::kPty: return std::make_unique<PtyBinding>(context, instrument, settings);
    case TransportKind::kGpib:
    case TransportKind::kVisa: return std::make_unique<BusBinding>(context, instrument, settings);
    case TransportKind::kVxi11: return std::make_unique<Vxi11Binding>(context, instrument, settings);
    case TransportKind::kHislip: return std::make_unique<HislipBinding>(context, instrument, settings);
  }
  return nullptr;
}

}  // namespace sim
