#include "sim/core/Simulator.h"

#include <stdexcept>

#include "sim/core/BusServer.h"
#include "sim/core/ControlServer.h"
#include "sim/core/Portmapper.h"

namespace sim {

Simulator::Simulator() : bus_(std::make_unique<BusServer>(context_)) {
  context_.bus = bus_.get();
  thread_ = std::thread([this] { context_.loop.Run(); });
}

Simulator::~Simulator() {
  Stop();
  std::lock_guard guard(context_.lock);
  control_.reset();
  portmapper_.reset();
  for (auto& instrument : instruments_) instrument->CloseBinding();
  instruments_.clear();
  bus_->Close();
}

void Simulator::SetPortsDirectory(const std::string& directory) {
  std::lock_guard guard(context_.lock);
  context_.portsDirectory = directory;
}

void Simulator::SetBoardAddress(int address) {
  std::lock_guard guard(context_.lock);
  bus_->SetBoardAddress(address);
}

Instrument& Simulator::Add(const std::string& name, const Keys& keys) {
  ConfigEntries entries;
  for (const auto& [key, value] : keys) entries.push_back({key, value, 0});
  std::string error;
  Instrument* instrument = Add(name, entries, &error);
  if (!instrument) throw std::invalid_argument(error);
  return *instrument;
}

Instrument* Simulator::Add(const std::string& name, const ConfigEntries& entries,
                           std::string* error) {
  BuiltInstrument built;
  int line = 0;
  if (!BuildInstrument(name, entries, &built, error, &line)) {
    if (line > 0) *error = "line " + std::to_string(line) + ": " + *error;
    return nullptr;
  }
  std::lock_guard guard(context_.lock);
  if (Find(name)) {
    *error = "two instruments named " + name;
    return nullptr;
  }
  auto instrument = std::make_unique<Instrument>(context_, std::move(built));
  *error = instrument->OpenBinding();
  if (!error->empty()) {
    *error = "instrument " + name + ": " + *error;
    return nullptr;
  }
  instruments_.push_back(std::move(instrument));
  return instruments_.back().get();
}

Instrument* Simulator::Find(std::string_view name) {
  std::lock_guard guard(context_.lock);
  for (auto& instrument : instruments_)
    if (instrument->Name() == name) return instrument.get();
  return nullptr;
}

std::vector<Instrument*> Simulator::Instruments() {
  std::lock_guard guard(context_.lock);
  std::vector<Instrument*> all;
  for (auto& instrument : instruments_) all.push_back(instrument.get());
  return all;
}

std::string Simulator::ListenControl(const std::string& path) {
  std::lock_guard guard(context_.lock);
  control_ = std::make_unique<ControlServer>(*this, context_);
  std::string error = control_->Listen(path);
  if (!error.empty()) control_.reset();
  return error;
}

std::string Simulator::ListenBus(const std::string& path) {
  std::lock_guard guard(context_.lock);
  return bus_->Listen(path);
}

std::string Simulator::BusPath() {
  std::lock_guard guard(context_.lock);
  return bus_->Path();
}

std::string Simulator::ListenPortmapper(uint16_t port) {
  std::lock_guard guard(context_.lock);
  portmapper_ = std::make_unique<Portmapper>(context_, [this] {
    constexpr uint32_t kTcp = 6;
    std::vector<Portmapper::Mapping> mappings;
    for (auto& instrument : instruments_) {
      if (instrument->Transport() != TransportKind::kVxi11) continue;
      const uint16_t core = instrument->Endpoint().port;
      mappings.push_back({0x0607AF, 1, kTcp, core});  // the core channel
      mappings.push_back({0x0607B0, 1, kTcp, core});  // its abort channel, on the same port
    }
    return mappings;
  });
  std::string error = portmapper_->Listen(port);
  if (!error.empty()) portmapper_.reset();
  return error;
}

uint16_t Simulator::PortmapperPort() {
  std::lock_guard guard(context_.lock);
  return portmapper_ ? portmapper_->Port() : 0;
}

void Simulator::RequestStop() {
  std::lock_guard guard(context_.lock);
  context_.loop.RequestStop();
}

void Simulator::Wait() {
  std::lock_guard guard(joinLock_);
  if (thread_.joinable()) thread_.join();
}

}  // namespace sim
