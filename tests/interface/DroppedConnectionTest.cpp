// Every driver the registry can create, initialised against an instrument
// that echoes what it receives, on TCP/IP where offered and on its default
// transport: each event that sends something on the healthy connection, made
// again after the instrument dropped the connection, either reaches the
// instrument on a new connection or returns a non-zero status; a call that
// returns 0 with nothing sent would let a test run on with its RF path
// unswitched. On a serial line "dropped" is a hang-up after which the COM
// port names a new terminal (an adapter plugged in again); on the bus the
// device stops listening for that event and is back for the next one.
//
// The stored "during"/"after" settings of the switching drivers are set to
// their first choice, so that events 2 and 3 have something to send.
#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <sstream>

#include "support/IsolatedKeySession.h"
#include "support/SessionInstrument.h"
#include "swmatrix/swmatrix.h"

namespace {
constexpr double kTimeout = 0.3;
constexpr uint32_t kLastEvent = SWM_EVENT_PositionerPositionMovementPercentage;

// A driver of the key with the switching sets, pointed at the instrument;
// none when the driver has no such wire.
std::optional<uint16_t> ConfiguredDriver(const std::string& key, const TestDirectory& dir, SessionInstrument& instrument) {
  uint16_t id = 0;
  if (CreateNewDeviceDriver(0, key.c_str(), &id) != 0) return std::nullopt;
  const std::string ini = dir.File("driver.ini");
  SaveConfiguration(0, id, ini.c_str());
  WriteFile(ini, WithSwitchingSets(ReadFile(ini)));
  if (instrument.Configure(id, ini, kTimeout)) return id;
  RemoveDeviceDriver(0, id);
  return std::nullopt;
}

uint32_t Event(uint16_t id, uint32_t event) {
  double value = 100e6;
  return SetValue(0, id, SWM_VALUE_EVENT, &event, &value);
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
  std::vector<uint32_t> events;
  for (uint32_t event = 0; event <= kLastEvent; ++event)
    if (event != SWM_EVENT_SendPilotInterfaceData) events.push_back(event);
  std::vector<bool> sends;
  std::optional<uint16_t> healthy = ConfiguredDriver(key, dir, instrument);
  if (!healthy) {
    skip = true;
    return wire == SessionWire::kTcp ? "no TCP/IP transport" : "TCP/IP is its default transport";
  }
  uint16_t id = *healthy;
  InitDevice(0, id);
  for (uint32_t event : events) {
    const size_t before = instrument.Received();
    Event(id, event);
    sends.push_back(instrument.Received() != before);
  }
  DeInitDevice(0, id);
  RemoveDeviceDriver(0, id);

  std::ostringstream failures;
  id = ConfiguredDriver(key, dir, instrument).value_or(id);
  InitDevice(0, id);
  for (size_t i = 0; i < events.size(); ++i) {
    if (!sends[i]) {
      Event(id, events[i]);
      continue;
    }
    instrument.Drop();
    const uint32_t status = Event(id, events[i]);
    const bool sent = instrument.ReceivedSinceDrop() > 0;
    instrument.Back();
    if (sent) continue;
    const char* on = SessionWireName(wire);
    if (status == 0) {
      failures << on << ": event " << events[i] << " after the drop: 0 and nothing sent\n";
      continue;
    }
    if (Event(id, events[i]) != 0) break;
    if (instrument.ReceivedSinceDrop() == 0)
      failures << on << ": event " << events[i] << " failed after the drop, then returned 0 and sent nothing\n";
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
    return OnEveryWire([&](SessionWire wire, bool& noWire) { return DroppedConnectionSession(key, dir, wire, noWire); });
  });
}

INSTANTIATE_TEST_SUITE_P(EveryClass, DroppedConnectionTest, testing::ValuesIn(CreatableClasses()), KeyTestName);
}  // namespace
