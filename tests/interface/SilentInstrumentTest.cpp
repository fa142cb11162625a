// Every driver the registry can create, on TCP/IP where offered and on its
// default transport, against an instrument that never answers and one that
// answers only garbage: every export call returns within the driver's budget
// (the attempts it makes, each costing one stream time-out at most, plus its
// fixed waits: the budgets of docs/silent-instruments.md, checked with a
// shortened time-out), and a driver that asked the silent instrument
// something never reports success for it: neither its device check nor the
// interlock request ("Closed"). Relay card drivers run without their card
// library, which no call may wait on.
//
// The stored "during"/"after" sets are set to their first choice so that
// the events have something to send.
#include <gtest/gtest.h>

#include <chrono>
#include <regex>
#include <sstream>
#include <string_view>

#include "support/IsolatedKeySession.h"
#include "support/SessionInstrument.h"
#include "swmatrix/swmatrix.h"

namespace {
constexpr double kTimeout = 0.2;
// Beyond its budget a call may take this long: the start of a call and its
// log records under the sanitizers.
constexpr double kSlack = 0.5;
constexpr uint32_t kLastEvent = SWM_EVENT_PositionerPositionMovementPercentage;
constexpr int kPositionerWaitMs = 300;
// Keys side by side: their sessions mostly wait on time-outs, and a class
// of 30 Hubline keys must stay well inside the test's time limit.
constexpr size_t kParallelKeys = 12;

// The most a call costs with a silent instrument: `timeouts` stream
// time-outs plus `fixedSeconds` of waits and time-outs of the driver's own.
struct Budget {
  std::string_view className;
  int timeouts;
  double fixedSeconds;
};
// The budgets of docs/silent-instruments.md. Hubline cards: the unit's
// identification has 3 attempts, each a read with a time-out of the
// driver's own (1 s until the unit has once answered with a line end) and
// 50 ms before it, after a pause of 200 ms; any other call 3 attempts.
constexpr Budget kBudgets[] = {
    {"HublineSwitch", 3, 3.4},
    {"HublineExternalSwitch", 3, 3.4},
    {"HublineSwitch6Point", 3, 3.4},
    {"HublineSwitch6PointExternal", 3, 3.4},
    {"Probex5CalibrationSwitch", 3, 3.4},
    {"HublineMultiSwitch", 3, 3.4},  // one relay card in the test's board
    {"BONN_BAS", 6, 0.0},  // InitDevice: the status check (3 attempts), a reset and the check again
    {"SC1000", 0, 0.6},    // InitDevice: 300 ms after each of its two commands
    {"Kovalex::devicedrivers::MKMESSTECHNIK_OSD::mkMesstechnik_OSD", 1, 0.2},  // 100 ms after clearing the screen
    // Older serial drivers, whose reads wait the port's own 3 s: the USB
    // relay box's check waits for a byte 5 times (1 s + 3 s); the Stribel
    // controller waits up to 5 s for an answer, in steps of 500 ms.
    // A switch is set in 2 attempts of 200 ms and 10 "STS" queries.
    {"Kovalex::devicedrivers::NOVOTRONIK::NovotronikBase", 20, 0.4},
    {"ZevoSwt", 0, 20.0},
    {"Stribel", 0, 5.5},
    // An event moves the positioner and waits for its service request: 30 s,
    // shortened here through SWMATRIX_EMCO5390_WAIT_MS.
    {"EMCO5390", 1, kPositionerWaitMs / 1000.0},
};
// Every other driver: one exchange per call at most, and 100 ms of pauses.
constexpr Budget kDefaultBudget{"", 1, 0.1};

const Budget& BudgetOf(const std::string& key) {
  for (const Budget& budget : kBudgets)
    if (FindDeviceType(key)->className == budget.className) return budget;
  return kDefaultBudget;
}

class SilentSession {
public:
  SilentSession(const std::string& key, const TestDirectory& dir, SessionWire wire, LoopbackResponder::Mode mode)
      : key_(key), wire_(wire), silent_(mode == LoopbackResponder::Mode::kSilent), instrument_(wire, mode, dir) {
    const Budget& budget = BudgetOf(key);
    bound_ = budget.timeouts * kTimeout + budget.fixedSeconds + kSlack;
  }

  std::string Run(const TestDirectory& dir, bool& skip) {
    if (!instrument_.Ready()) return "no loopback port\n";
    uint16_t id = 0;
    if (CreateNewDeviceDriver(0, key_.c_str(), &id) != 0) return "cannot create " + key_ + "\n";
    id_ = id;
    const std::string ini = dir.File("driver.ini");
    SaveConfiguration(0, id_, ini.c_str());
    WriteFile(ini, WithSwitchingSets(ReadFile(ini)));
    if (!instrument_.Configure(id_, ini, kTimeout)) {
      skip = true;
      RemoveDeviceDriver(0, id_);
      return instrument_.WhyNot();
    }
    bool asked = false;
    const uint32_t checked = Timed("CheckDevice", [&] { return CheckDevice(0, id_); }, &asked);
    if (silent_ && asked && checked == 0) failures_ << "CheckDevice: success without an answer\n";
    Timed("InitDevice", [&] { return InitDevice(0, id_); });
    double value = 100e6;
    for (uint32_t event = 0; event <= kLastEvent; ++event) {
      if (event == SWM_EVENT_SendPilotInterfaceData) continue;
      Timed("event " + std::to_string(event), [&] { return SetValue(0, id_, SWM_VALUE_EVENT, &event, &value); });
    }
    for (uint32_t request = 0; request <= 5; ++request) {
      if (request == SWM_REQUEST_RetrievePilotInterfaceData) continue;
      uint32_t answer = 0;
      const uint32_t status = Timed("request " + std::to_string(request),
                                    [&] { return GetValue(0, id_, SWM_VALUE_REQUEST, &request, &answer); }, &asked);
      if (silent_ && asked && request == SWM_REQUEST_InterlockClosed && answer == 1)
        failures_ << "request 1: \"Closed\" without an answer (status 0x" << std::hex << status << std::dec << ")\n";
    }
    Timed("DeInitDevice", [&] { return DeInitDevice(0, id_); });
    RemoveDeviceDriver(0, id_);
    return failures_.str();
  }

private:
  // Runs a call; fails it when it outlasts the budget or returns a status
  // without a text. `asked` tells whether the call sent the instrument anything.
  template <class F>
  uint32_t Timed(const std::string& what, F call, bool* asked = nullptr) {
    const size_t before = instrument_.Received();
    const auto start = std::chrono::steady_clock::now();
    const uint32_t status = call();
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (asked) *asked = instrument_.Received() != before;
    const std::string mode = std::string(silent_ ? " (silent, " : " (garbage, ") + SessionWireName(wire_) + ")";
    if (seconds > bound_) failures_ << what << mode << " took " << seconds << " s, budget " << bound_ << " s\n";
    if (status != 0 && StatusText(id_, status).empty())
      failures_ << what << mode << " returned 0x" << std::hex << status << std::dec << " without a text\n";
    return status;
  }

  std::string key_;
  SessionWire wire_;
  bool silent_;
  SessionInstrument instrument_;
  double bound_ = 0;
  uint16_t id_ = 0;
  std::ostringstream failures_;
};

class SilentInstrumentTest : public testing::TestWithParam<std::string> {};

TEST_P(SilentInstrumentTest, EveryCallEndsWithinItsBudgetAndNoAnswerIsNoSuccess) {
  ASSERT_TRUE(EnsureWxRuntime());
  RunIsolatedKeys(KeysOfClass(GetParam()), [](const std::string& key, const TestDirectory& dir, bool& skip) {
    if (const char* reason = NothingToCheck(key)) {
      skip = true;
      return std::string(reason);
    }
    setenv("SWMATRIX_EMCO5390_WAIT_MS", std::to_string(kPositionerWaitMs).c_str(), 1);
    if (DrivesCardLibrary(key)) {
      for (const char* library : {"SWMATRIX_MCC_LIBRARY", "SWMATRIX_ADVANTECH_LIBRARY"})
        setenv(library, "/nonexistent/card-library.so", 1);
      return SilentSession(key, dir, SessionWire::kDefault, LoopbackResponder::Mode::kSilent).Run(dir, skip);
    }
    return OnEveryWire([&](SessionWire wire, bool& noWire) {
      std::string failures = SilentSession(key, dir, wire, LoopbackResponder::Mode::kSilent).Run(dir, noWire);
      if (!noWire) failures += SilentSession(key, dir, wire, LoopbackResponder::Mode::kGarbage).Run(dir, noWire);
      return failures;
    });
  }, kParallelKeys);
}

INSTANTIATE_TEST_SUITE_P(EveryClass, SilentInstrumentTest, testing::ValuesIn(CreatableClasses()), KeyTestName);
}  // namespace
