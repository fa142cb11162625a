// Cost of a Hubline relay event through the exports against a bare C client
// making the same exchanges, side by side in one run:
//   HublineEvent/pairs   every iteration a bare C client sends the three relay
//                        commands of the "during" set and reads each answer
//                        (write, poll, read), then the host calls event 3
//                        ("InitialisationStarted") of a HUBLINE4PORT driver,
//                        which sends the same three commands to the same
//                        responder; counters bare_us and stream_us (medians)
//                        and ratio: goal <= 1.15
// The client, the driver and the responder's threads run on one processor
// (Placement.h). The responder answers every line with "OK".
#include <arpa/inet.h>
#include <benchmark/benchmark.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>
#include <wx/string.h>

#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "BareExchange.h"
#include "PairedExchanges.h"
#include "HublineCardFile.h"
#include "Placement.h"
#include "WxRuntime.h"
#include "LineResponder.h"
#include "framework/Mutex.h"
#include "platform/NamedSharedMutex.h"
#include "swmatrix/swmatrix.h"

namespace {
const char* const kCommands[] = {"INT_RELAY_A_NO\n", "INT_RELAY_B_NO\n", "INT_RELAY_C_NO\n"};
const char kAnswer[] = "OK\n";

void HublineEventPairs(benchmark::State& state) {
  if (!bench::EnsureWxRuntime()) {
    state.SkipWithError("no wxWidgets runtime");
    return;
  }
  bench::OneProcessor placement(state);
  bench::LineResponder responder(kAnswer);
  const std::string file = "/tmp/swm-bench-hubline-" + std::to_string(getpid()) + ".ini";
  uint16_t id = 0;
  if (!bench::WriteCardFile(file, responder.Port()) || CreateNewDeviceDriver(0, "HUBLINE4PORT", &id) != 0 ||
      LoadConfiguration(0, id, file.c_str()) != 0 || InitDevice(0, id) != 0) {
    state.SkipWithError("cannot set up the card");
  } else {
    const int fd = bench::ConnectTcp(responder.Port());
    uint32_t event = SWM_EVENT_InitialisationStarted;
    double value = 0;
    bench::MeasurePairs(
        state,
        [&] {
          for (const char* command : kCommands)
            if (!bench::BareExchange(fd, command, sizeof kAnswer - 1)) return false;
          return true;
        },
        [&] { return SetValue(0, id, SWM_VALUE_EVENT, &event, &value) == 0; });
    close(fd);
    DeInitDevice(0, id);
  }
  RemoveDeviceDriver(0, id);
  std::remove(file.c_str());
  NamedSharedMutex::Remove(
      wxString(Mutex::StreamLockName(L"ETHER:127.0.0.1:" + std::to_wstring(responder.Port()))).utf8_string());
}
}  // namespace

BENCHMARK(HublineEventPairs)->Name("HublineEvent/pairs")->UseRealTime();
BENCHMARK_MAIN();
