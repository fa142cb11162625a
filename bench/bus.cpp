// Cost of a WriteRead over the GPIB and VISA streams against a bare C
// program that makes the same library calls on the same simulated library
// (build/lib/sim/libgpib.so.0, libvisa.so), with the same bytes (a 6-byte
// query, a 21-byte answer) to the same in-process simulated instrument on
// the simulated bus:
//   GpibPairs       bare ibwrt + ibrd, then the GPIB stream's WriteRead
//   CompliantPairs  the same with service requests on: both sides register
//                   the device with the module's service-request library
//                   (lib/swmatrix/libgpibsrq.so.0, over the same simulated
//                   GPIB library) and enable them in the instrument
//                   ("*SRE 48"), so that its thread (waiting on a board
//                   descriptor of its own, as gpib.conf names the board)
//                   polls the device at most answers; then the CompliantGPIB stream's WriteRead,
//                   whose library calls hold their descriptor's lock
//                   (legacy/GpibDescriptorLocks.h), as they must beside
//                   that thread
//   VisaPairs       bare viWrite + viRead, then the VISA stream's WriteRead
// Both alternate in every iteration on the same thread, so that both meet
// the same load of the machine; the client and the simulator's threads run
// on one processor (Placement.h). Counters: bare_us and stream_us
// (medians) and their ratio; goal <= 1.15.
#include <benchmark/benchmark.h>
#include <dlfcn.h>
#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "PairedExchanges.h"
#include "Placement.h"
#include "WxRuntime.h"
#include "platform/NamedSharedMutex.h"
#include "sim/core/Simulator.h"
#include "streams/DeviceStreamClientWithStream.h"
#include "streams/gpib/NIGPIBDeviceStreamConfiguration.h"
#include "streams/visa/VISADeviceStreamConfiguration.h"

namespace {
const char kQuery[] = "*IDN?\n";
const char kIdn[] = "ACME,DMM100,1234,1.0";
constexpr size_t kAnswerSize = sizeof kIdn;  // with its line feed
constexpr int kAddress = 4;

std::string SimulatedLibrary(const std::string& name) { return std::string(SWM_BUILD_DIR) + "/lib/sim/" + name; }
const std::string kServiceRequestLibrary = std::string(SWM_BUILD_DIR) + "/lib/swmatrix/libgpibsrq.so.0";

// A simulator with its bus in a private directory, and the environment that
// points the libraries and the module at it.
class Bus {
public:
  Bus() {
    std::string pattern = "/tmp/swm-bench-bus-XXXXXX";
    if (mkdtemp(pattern.data())) directory_ = pattern;
    simulator_.ListenBus(directory_ + "/bus");
    setenv("SWMATRIX_SIM_BUS", (directory_ + "/bus").c_str(), 1);
    setenv("SWMATRIX_REGISTRY", (directory_ + "/registry.ini").c_str(), 1);
    // A board with a name, as an installation has: the service-request
    // library waits for the line on a board descriptor of its own.
    std::ofstream(directory_ + "/gpib.conf") << "interface {\n  minor = 0\n  name = \"gpib0\"\n}\n";
    setenv("IB_CONFIG", (directory_ + "/gpib.conf").c_str(), 1);
    setenv("SWMATRIX_GPIB_LIBRARY", SimulatedLibrary("libgpib.so.0").c_str(), 1);
    setenv("SWMATRIX_VISA_LIBRARY", SimulatedLibrary("libvisa.so").c_str(), 1);
    setenv("SWMATRIX_GPIBSRQ_LIBRARY", kServiceRequestLibrary.c_str(), 1);
    simulator_.Add("dmm", {{"transport", "gpib"}, {"address", std::to_string(kAddress)}, {"idn", kIdn}});
  }
  ~Bus() {
    simulator_.Stop();
    std::error_code ignored;
    std::filesystem::remove_all(directory_, ignored);
  }

private:
  std::string directory_;
  sim::Simulator simulator_;
};

template <class F>
F* Function(void* library, const char* name) {
  return reinterpret_cast<F*>(dlsym(library, name));
}

// The bare GPIB program: ibdev once, then ibwrt and ibrd per exchange.
class BareGpib {
public:
  BareGpib() {
    void* library = dlopen(SimulatedLibrary("libgpib.so.0").c_str(), RTLD_NOW);
    if (!library) return;
    ibwrt_ = Function<int(int, const void*, long)>(library, "ibwrt");
    ibrd_ = Function<int(int, void*, long)>(library, "ibrd");
    count_ = Function<long()>(library, "ThreadIbcntl");
    ud_ = Function<int(int, int, int, int, int, int)>(library, "ibdev")(0, kAddress, 0, 13, 1, 0);
  }
  bool Exchange() {
    char buffer[100];
    if (ibwrt_(ud_, kQuery, sizeof kQuery - 1) & 0x8000) return false;
    if (ibrd_(ud_, buffer, sizeof buffer) & 0x8000) return false;
    return static_cast<size_t>(count_()) == kAnswerSize;
  }
  bool Ready() const { return ud_ >= 0 && ibwrt_ && ibrd_ && count_; }

protected:
  int (*ibwrt_)(int, const void*, long) = nullptr;
  int (*ibrd_)(int, void*, long) = nullptr;
  long (*count_)() = nullptr;
  int ud_ = -1;
};

// The bare GPIB program with service requests: registered with the
// service-request library, which polls the device when it asks for service.
class BareCompliantGpib : public BareGpib {
public:
  BareCompliantGpib() {
    void* library = dlopen(kServiceRequestLibrary.c_str(), RTLD_NOW);
    if (!library || !BareGpib::Ready()) return;
    using Handler = void (*)(void*, int);
    handle_ = Function<int(int, int, int, Handler, void*)>(library, "RegisterSRQHandler")(
        0, kAddress, 0, [](void*, int) {}, nullptr);
    const char enable[] = "*CLS;*SRE 48;*ESE 1\n";
    enabled_ = !(ibwrt_(ud_, enable, sizeof enable - 1) & 0x8000);
  }
  bool Ready() const { return BareGpib::Ready() && handle_ > 0 && enabled_; }

private:
  int handle_ = 0;
  bool enabled_ = false;
};

// The bare VISA program: viOpenDefaultRM and viOpen once, then viWrite and viRead per exchange.
class BareVisa {
public:
  BareVisa() {
    void* library = dlopen(SimulatedLibrary("libvisa.so").c_str(), RTLD_NOW);
    if (!library) return;
    viWrite_ = Function<int32_t(uint32_t, const unsigned char*, uint32_t, uint32_t*)>(library, "viWrite");
    viRead_ = Function<int32_t(uint32_t, unsigned char*, uint32_t, uint32_t*)>(library, "viRead");
    uint32_t manager = 0;
    if (Function<int32_t(uint32_t*)>(library, "viOpenDefaultRM")(&manager) != 0) return;
    Function<int32_t(uint32_t, const char*, uint32_t, uint32_t, uint32_t*)>(library, "viOpen")(
        manager, ("GPIB0::" + std::to_string(kAddress) + "::INSTR").c_str(), 0, 0, &session_);
  }
  bool Exchange() {
    unsigned char buffer[100];
    uint32_t count = 0;
    if (viWrite_(session_, reinterpret_cast<const unsigned char*>(kQuery), sizeof kQuery - 1, &count) < 0) return false;
    if (viRead_(session_, buffer, sizeof buffer, &count) < 0) return false;
    return count == kAnswerSize;
  }
  bool Ready() const { return session_ != 0 && viWrite_ && viRead_; }

private:
  int32_t (*viWrite_)(uint32_t, const unsigned char*, uint32_t, uint32_t*) = nullptr;
  int32_t (*viRead_)(uint32_t, unsigned char*, uint32_t, uint32_t*) = nullptr;
  uint32_t session_ = 0;
};

// A driver's client offering the instrument over the stream type.
class StreamClient {
public:
  explicit StreamClient(const std::string& type) {
    client_.Manager().AddStreamConfiguration(type);
    client_.Manager().SetDefaultTypeName(type);
    if (auto gpib = client_.SelectedConfigurationAs<NIGPIBDeviceStreamConfiguration>())
      gpib->SetPrimaryAddress(kAddress);
    if (auto visa = client_.SelectedConfigurationAs<VISADeviceStreamConfiguration>())
      visa->SetIdentifier("GPIB0::" + std::to_string(kAddress) + "::INSTR");
    id_ = client_.SelectedConfiguration()->GetIDString();
    connected_ = bench::EnsureWxRuntime() && client_.ConnectStream(0, true) == 0;
  }
  ~StreamClient() {
    client_.DisconnectStream(0);
    NamedSharedMutex::Remove(wxString(Mutex::StreamLockName(wxString::FromUTF8(id_).ToStdWstring())).utf8_string());
  }
  bool Exchange() { return client_.WriteRead(0, "*IDN?", answer_, 100, 1) == 0 && answer_.size() == kAnswerSize; }
  bool Connected() const { return connected_; }

private:
  DeviceStreamClientWithStream client_;
  std::string id_;
  std::string answer_;
  bool connected_ = false;
};

template <class Bare>
void MeasureBusPairs(benchmark::State& state, const std::string& type) {
  // The client and the simulator's threads (started by Bus) on one processor.
  bench::OneProcessor placement(state);
  Bus bus;
  Bare bare;
  StreamClient stream(type);
  if (!bare.Ready() || !stream.Connected()) {
    state.SkipWithError("cannot open the instrument");
    return;
  }
  bench::MeasurePairs(state, [&bare] { return bare.Exchange(); }, [&stream] { return stream.Exchange(); });
}

void GpibPairs(benchmark::State& state) { MeasureBusPairs<BareGpib>(state, "GPIB"); }
void CompliantPairs(benchmark::State& state) { MeasureBusPairs<BareCompliantGpib>(state, "CompliantGPIB"); }
void VisaPairs(benchmark::State& state) { MeasureBusPairs<BareVisa>(state, "VISA"); }
}  // namespace

BENCHMARK(GpibPairs)->Iterations(4000)->Repetitions(3)->ReportAggregatesOnly(false);
BENCHMARK(CompliantPairs)->Iterations(4000)->Repetitions(3)->ReportAggregatesOnly(false);
BENCHMARK(VisaPairs)->Iterations(4000)->Repetitions(3)->ReportAggregatesOnly(false);

BENCHMARK_MAIN();
