// Every driver the registry can create, initialised against an instrument
// that echoes what it receives, on each transport it offers that a test can
// reach (TCP/IP, HTTP, UDP, serial, both GPIB layers, VISA) and on its
// default one: each event that sends something on the healthy connection, made
// again after the instrument dropped the connection, either reaches the
// instrument on a new connection or returns a non-zero status; a call that
// returns 0 with nothing sent would let a test run on with its RF path
// unswitched. On a serial line "dropped" is a hang-up after which the COM
// port names a new terminal (an adapter plugged in again); on the bus the
// device stops listening for that event and is back for the next one. A
// datagram has no connection to drop, and each HTTP request opens its own.
//
// The same holds for a driver that cannot have reached its instrument: one
// never initialised, and one whose InitDevice failed (pointed where nothing
// listens: a closed loopback port, a COM port without a terminal, a bus
// address without a device; on UDP a port that answers nothing, where an
// InitDevice that only sent may succeed), on each of those transports. Every
// event or request that sends something in the healthy run either reaches
// the instrument or returns a status with a text. The drivers that offer HTTP and UDP are held to it there too: an
// HTTP server answering 500 to every request, and a UDP port that takes
// every datagram and answers none, where no check or request that asked
// something returns 0 (an event that only sends a datagram has no answer
// to miss).
//
// The stored "during"/"after" settings of the switching drivers are set to
// their first choice, so that events 2 and 3 have something to send.
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <iterator>
#include <optional>
#include <regex>
#include <sstream>

#include "support/IsolatedKeySession.h"
#include "support/SessionInstrument.h"
#include "swmatrix/swmatrix.h"

namespace {
constexpr double kTimeout = 0.3;
constexpr uint32_t kLastEvent = SWM_EVENT_PositionerPositionMovementPercentage;

// A driver of the key with the switching sets, pointed at the instrument;
// none when the driver has no such wire.
std::optional<uint16_t> ConfiguredDriver(const std::string& key, const TestDirectory& dir, SessionInstrument& instrument,
                                         bool absent = false) {
  uint16_t id = 0;
  if (CreateNewDeviceDriver(0, key.c_str(), &id) != 0) return std::nullopt;
  const std::string ini = dir.File("driver.ini");
  SaveConfiguration(0, id, ini.c_str());
  // Beside the switching sets: the configurable drivers' own time-outs (they
  // replace the stream's on connect), the Teseq slots at their first output.
  static const std::pair<std::regex, std::string> edits[] = {
      {std::regex("^TimeOutTimeSeconds=.*$", std::regex::multiline), "TimeOutTimeSeconds=" + std::to_string(kTimeout)},
      {std::regex("^QueryTimeoutMilliseconds=.*$", std::regex::multiline),
       "QueryTimeoutMilliseconds=" + std::to_string(int(kTimeout * 1000))},
      {std::regex("^([A-Z]-(?:before|after))=0$", std::regex::multiline), "$1=2"}};
  std::string text = WithSwitchingSets(ReadFile(ini));
  for (const auto& [pattern, replacement] : edits) text = std::regex_replace(text, pattern, replacement);
  WriteFile(ini, text);
  if (instrument.Configure(id, ini, kTimeout, absent)) return id;
  RemoveDeviceDriver(0, id);
  return std::nullopt;
}

// The requests that may ask an instrument something.
constexpr uint32_t kRequests[] = {0, SWM_REQUEST_InterlockClosed, SWM_REQUEST_DwellTimeStartOk, SWM_REQUEST_DwellTimeStopOk, 5};

// The calls that may send something: every event but the pilot data, then
// (numbered from kRequest on) the requests.
constexpr uint32_t kRequest = 1000;
std::vector<uint32_t> Calls() {
  std::vector<uint32_t> calls;
  for (uint32_t event = 0; event <= kLastEvent; ++event)
    if (event != SWM_EVENT_SendPilotInterfaceData) calls.push_back(event);
  for (uint32_t request : kRequests) calls.push_back(kRequest + request);
  return calls;
}

std::string CallName(uint32_t call) {
  return call < kRequest ? "event " + std::to_string(call) : "request " + std::to_string(call - kRequest);
}

uint32_t Make(uint16_t id, uint32_t call) {
  double value = 100e6;
  uint32_t request = call - kRequest, answer = 0;
  return call < kRequest ? SetValue(0, id, SWM_VALUE_EVENT, &call, &value)
                         : GetValue(0, id, SWM_VALUE_REQUEST, &request, &answer);
}

// A call of a driver that cannot reach its instrument: it must reach it
// after all (never initialised: it may connect on its own) or fail with a text.
void Unreached(std::ostringstream& failures, const std::string& state, const std::string& call, uint16_t id,
               uint32_t status, bool sent) {
  if (status == 0 && !sent) failures << state << ": " << call << " returned 0 and sent nothing\n";
  if (status != 0 && StatusText(id, status).empty())
    failures << state << ": " << call << " returned 0x" << std::hex << status << std::dec << " without a text\n";
}

// The calls that sent in the healthy run, made by a driver never initialised
// and by one whose InitDevice met no instrument.
std::string UnreachedStates(const std::string& key, const TestDirectory& dir, SessionWire wire,
                            SessionInstrument& instrument, const std::vector<uint32_t>& calls,
                            const std::vector<bool>& sends) {
  std::ostringstream failures;
  for (const bool absent : {false, true}) {
    const std::optional<uint16_t> id = ConfiguredDriver(key, dir, instrument, absent);
    if (!id) continue;
    const std::string state = std::string(SessionWireName(wire)) + (absent ? ", InitDevice failed" : ", never initialised");
    if (absent && InitDevice(0, *id) == 0 && wire != SessionWire::kUdp)
      failures << state << ": InitDevice returned 0 without an instrument\n";
    for (size_t i = 0; i < calls.size(); ++i) {
      const size_t before = instrument.Received();
      const uint32_t status = Make(*id, calls[i]);
      if (sends[i]) Unreached(failures, state, CallName(calls[i]), *id, status, instrument.Received() != before);
    }
    DeInitDevice(0, *id);
    RemoveDeviceDriver(0, *id);
  }
  return failures.str();
}

// On HTTP against a server that answers 500, and on UDP against a port that
// never answers: a call that sent something returns a status with a text
// (on UDP: a check or request; an event may only send).
std::string AnsweredBadly(const std::string& key, const TestDirectory& dir, SessionWire wire) {
  SessionInstrument instrument(wire, LoopbackResponder::Mode::kHttpError, dir);
  if (!instrument.Ready()) return "no loopback port\n";
  const std::optional<uint16_t> id = ConfiguredDriver(key, dir, instrument);
  if (!id) return "";
  std::ostringstream failures;
  const std::string on = SessionWireName(wire);
  const bool http = wire == SessionWire::kHttp;
  const auto expect = [&](const std::string& call, const std::function<uint32_t()>& make, bool mustAnswer) {
    const size_t before = instrument.Received();
    const uint32_t status = make();
    const bool sent = instrument.Received() != before;
    if (status == 0 && sent && mustAnswer) failures << on << ": " << call << " returned 0 without an answer\n";
    Unreached(failures, on, call, *id, status, true);  // (a status without a text)
    if (http && status != 0 && sent && StatusText(*id, status).find("HTTP 500") == std::string::npos)
      failures << on << ": " << call << " failed without the HTTP status: " << StatusText(*id, status) << "\n";
  };
  expect("CheckDevice", [&] { return CheckDevice(0, *id); }, true);
  expect("InitDevice", [&] { return InitDevice(0, *id); }, http);
  for (uint32_t call : Calls()) expect(CallName(call), [&] { return Make(*id, call); }, http || call >= kRequest);
  DeInitDevice(0, *id);
  RemoveDeviceDriver(0, *id);
  return failures.str();
}

// A healthy run tells which events send; a second driver then makes the same
// calls in the same order, with every connection dropped before each event
// that sent. Such an event must reach the instrument on a new connection or
// fail; after a failure the next call must do the same. When the driver keeps
// failing, its state no longer follows the healthy run and the replay ends.
std::string DroppedConnectionSession(const std::string& key, const TestDirectory& dir, SessionWire wire, bool& skip) {
  // No instrument here answers a move of the 5390 positioner with a service
  // request: its wait for one is shortened as the time-outs are.
  setenv("SWMATRIX_EMCO5390_WAIT_MS", "300", 1);
  SessionInstrument instrument(wire, LoopbackResponder::Mode::kEcho, dir);
  if (!instrument.Ready()) return "no loopback port\n";
  const std::vector<uint32_t> calls = Calls();
  std::vector<bool> sends;
  std::optional<uint16_t> healthy = ConfiguredDriver(key, dir, instrument);
  if (!healthy) {
    skip = true;
    return instrument.WhyNot();
  }
  uint16_t id = *healthy;
  InitDevice(0, id);
  for (uint32_t call : calls) {
    const size_t before = instrument.Received();
    Make(id, call);
    sends.push_back(instrument.Received() != before);
  }
  DeInitDevice(0, id);
  RemoveDeviceDriver(0, id);

  std::ostringstream failures;
  failures << UnreachedStates(key, dir, wire, instrument, calls, sends);
  if (!instrument.CanDrop()) return failures.str();
  id = ConfiguredDriver(key, dir, instrument).value_or(id);
  InitDevice(0, id);
  for (size_t i = 0; i < calls.size() && calls[i] < kRequest; ++i) {
    if (!sends[i]) {
      Make(id, calls[i]);
      continue;
    }
    instrument.Drop();
    const uint32_t status = Make(id, calls[i]);
    const bool sent = instrument.ReceivedSinceDrop() > 0;
    instrument.Back();
    if (sent) continue;
    const std::string call = SessionWireName(wire) + (": " + CallName(calls[i]));
    if (status == 0) {
      failures << call << " after the drop: 0 and nothing sent\n";
      continue;
    }
    if (Make(id, calls[i]) != 0) break;
    if (instrument.ReceivedSinceDrop() == 0)
      failures << call << " failed after the drop, then returned 0 and sent nothing\n";
  }
  DeInitDevice(0, id);
  RemoveDeviceDriver(0, id);
  return failures.str();
}

class DroppedConnectionTest : public testing::TestWithParam<std::string> {};

TEST_P(DroppedConnectionTest, EveryEventThatSendsReconnectsOrFails) {
  ASSERT_TRUE(EnsureWxRuntime());
  RunIsolatedKeys(KeysOfClass(GetParam()), [](const std::string& key, const TestDirectory& dir, bool& skip) {
    if (const char* reason = NothingToCheck(key)) {
      skip = true;
      return std::string(reason);
    }
    if (DrivesCardLibrary(key)) {
      skip = true;
      return std::string("switches through a card library: no connection to drop");
    }
    std::string failures = UnreachedTransports(key) + OnEveryWire([&](SessionWire wire, bool& noWire) {
      return DroppedConnectionSession(key, dir, wire, noWire);
    }, kEveryWire);
    for (SessionWire wire : {SessionWire::kHttp, SessionWire::kUdp}) failures += AnsweredBadly(key, dir, wire);
    return failures;
  });
}

INSTANTIATE_TEST_SUITE_P(EveryClass, DroppedConnectionTest, testing::ValuesIn(CreatableClasses()), KeyTestName);
}  // namespace
