// What an open web view costs the simulator: a Hubline relay event through
// the exports against two identical in-process simulators, one without the
// view and one with it and a page subscribed to its event stream (a client
// that reads every snapshot the view sends), one event on each per iteration
// in alternating order:
//   HublineEventWithPageOpen   counters no_page_us and page_open_us (medians),
//                              ratio (goal <= 1.05) and snapshots (the events
//                              the subscribed page received: more than 0)
// Everything (the client, both simulators, the view's server and the page's
// reader) runs on one processor (Placement.h).
#include <benchmark/benchmark.h>
#include <httplib.h>
#include <unistd.h>
#include <wx/string.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "PairedExchanges.h"
#include "HublineCardFile.h"
#include "Placement.h"
#include "WxRuntime.h"
#include "framework/Mutex.h"
#include "platform/NamedSharedMutex.h"
#include "sim/core/Simulator.h"
#include "sim/web/WebView.h"
#include "swmatrix/swmatrix.h"

namespace {

// One driver on a single-slot Hubline unit of its own simulator.
class Bench {
public:
  explicit Bench(const std::string& tag)
      : unit_(simulator_.Add("hub", {{"family", "hubline"}, {"transport", "tcp"}, {"unit", "single"},
                                     {"slot1", "relay4"}})),
        file_("/tmp/swm-bench-webview-" + std::to_string(getpid()) + "-" + tag + ".ini") {
    ok_ = bench::WriteCardFile(file_, unit_.Endpoint().port) && CreateNewDeviceDriver(0, "HUBLINE4PORT", &id_) == 0 &&
          LoadConfiguration(0, id_, file_.c_str()) == 0 && InitDevice(0, id_) == 0;
  }
  ~Bench() {
    DeInitDevice(0, id_);
    RemoveDeviceDriver(0, id_);
    std::remove(file_.c_str());
    NamedSharedMutex::Remove(
        wxString(Mutex::StreamLockName(L"ETHER:127.0.0.1:" + std::to_wstring(unit_.Endpoint().port))).utf8_string());
  }
  bool Ok() const { return ok_; }
  bool Event() {
    uint32_t event = SWM_EVENT_InitialisationStarted;
    double value = 0;
    return SetValue(0, id_, SWM_VALUE_EVENT, &event, &value) == 0;
  }
  sim::Simulator& Simulator() { return simulator_; }

private:
  sim::Simulator simulator_;
  sim::Instrument& unit_;
  std::string file_;
  uint16_t id_ = 0;
  bool ok_ = false;
};

// A page subscribed to the view's event stream: reads every event until stopped.
class Subscriber {
public:
  explicit Subscriber(const sim::WebView& view)
      : thread_([this, port = view.Port(), path = "/events?token=" + view.Token()] {
          httplib::Client client("127.0.0.1", port);
          client.Get(path, [this](const char* data, size_t length) {
            for (std::string_view text(data, length); text.find("data: ") != std::string_view::npos;
                 text.remove_prefix(text.find("data: ") + 6))
              ++snapshots_;
            return !stop_.load();
          });
        }) {}
  ~Subscriber() {
    stop_ = true;  // the stream ends at its next event (at most a second away)
    thread_.join();
  }
  size_t Snapshots() const { return snapshots_.load(); }

private:
  std::atomic<bool> stop_{false};
  std::atomic<size_t> snapshots_{0};
  std::thread thread_;
};

void HublineEventWithPageOpen(benchmark::State& state) {
  if (!bench::EnsureWxRuntime()) {
    state.SkipWithError("no wxWidgets runtime");
    return;
  }
  bench::OneProcessor placement(state);
  Bench plain("plain"), viewed("viewed");
  sim::WebView view(viewed.Simulator());
  if (!plain.Ok() || !viewed.Ok() || !view.Listen(0).empty()) {
    state.SkipWithError("cannot set up the benches");
    return;
  }
  Subscriber page(view);
  std::vector<double> plainTimes, viewedTimes;
  using Clock = std::chrono::steady_clock;
  bool plainFirst = true;
  for (auto _ : state) {
    Bench* order[2] = {&plain, &viewed};
    if (!plainFirst) std::swap(order[0], order[1]);
    plainFirst = !plainFirst;
    for (Bench* bench : order) {
      const auto start = Clock::now();
      if (!bench->Event()) {
        state.SkipWithError("event failed");
        return;
      }
      const double us = std::chrono::duration<double, std::micro>(Clock::now() - start).count();
      (bench == &plain ? plainTimes : viewedTimes).push_back(us);
    }
  }
  const double plainMedian = bench::Median(plainTimes), viewedMedian = bench::Median(viewedTimes);
  state.counters["no_page_us"] = plainMedian;
  state.counters["page_open_us"] = viewedMedian;
  state.counters["ratio"] = plainMedian > 0 ? viewedMedian / plainMedian : 0;
  state.counters["snapshots"] = static_cast<double>(page.Snapshots());
}

}  // namespace

BENCHMARK(HublineEventWithPageOpen)->MinTime(3.0)->UseRealTime();
BENCHMARK_MAIN();
