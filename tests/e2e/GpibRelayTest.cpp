// The GPIB relay and switch controller drivers through the module's exports
// against simulated controllers on the simulated GPIB bus: the messages of
// the device check, of events 3, 18, 2 and 18 again, the relay and switch
// states they leave. Then the special cases: the attenuator path of the
// power meter, the positioner's late and missing completion request, the
// relay interface stopping at its first failing relay, its interlock input
// and a wrong identification.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <future>
#include <sstream>
#include <string>
#include <vector>

#include "e2e/InstrumentBench.h"
#include "support/GpibDescriptors.h"
#include "sim/gpibrelay/RelayController.h"

namespace {
using Commands = std::vector<std::string>;

struct RelayCase {
  const char* name;
  const char* typeKey;
  const char* model;        // of the simulated controller
  std::string table;        // the driver's settings, every one changed
  Commands check;           // what the device check sends
  Commands init;            // what initialising sends
  Commands during, after;   // events 3 and 2
  bool eventEighteenSends;  // event 18 after event 2 sends the during set again
  std::string stateDuring;
  std::string stateAfter;
};

// "Relais<n>Start" / "Relais<n>Stop" lines of the values.
std::string RelaisKeys(const std::vector<int>& during, const std::vector<int>& after) {
  std::ostringstream text;
  for (size_t n = 0; n < during.size(); ++n) text << "Relais" << n + 1 << "Start=" << during[n] << "\n";
  for (size_t n = 0; n < after.size(); ++n) text << "Relais" << n + 1 << "Stop=" << after[n] << "\n";
  return text.str();
}

// The ICS relay interfaces: odd relays set and even ones reset during the test, the other way after it.
struct IcsSets {
  std::string keys;
  Commands during, after;
  std::string stateDuring, stateAfter;
};
IcsSets Ics(int relays) {
  std::vector<int> during, after;
  IcsSets sets;
  for (int n = 1; n <= relays; ++n) {
    const bool odd = n % 2 == 1;
    during.push_back(odd ? 1 : 2);
    after.push_back(odd ? 2 : 1);
    const std::string number = (n < 10 ? "0" : "") + std::to_string(n);
    sets.during.push_back("R" + number + (odd ? "1" : "0"));
    sets.after.push_back("R" + number + (odd ? "0" : "1"));
    sets.stateDuring += (n > 1 ? " R" : "R") + number + (odd ? "=set" : "=reset");
    sets.stateAfter += (n > 1 ? " R" : "R") + number + (odd ? "=reset" : "=set");
  }
  sets.keys = RelaisKeys(during, after);
  return sets;
}

const std::vector<RelayCase>& Cases() {
  static const IcsSets ics24 = Ics(24), ics16 = Ics(16);
  static const std::string hp = "[HP11713A]\n" + RelaisKeys({1, 2, 1, 2, 1, 2, 1, 2, 1, 2}, {2, 1, 2, 1, 2, 1, 2, 1, 2, 1});
  static const std::string ics4874 = "[ICS4874]\n" + ics24.keys, ics4864 = "[ICS4864]\n" + ics16.keys;
  static const std::string interlock = ics4874 + "InterlockRelais=5\n";
  static const Commands opened5390{"*ESE 1", "*SRE 32"}, closed5390{"*ESE 0", "*SRE 0"};
  static const std::vector<RelayCase> cases = {
      {"HP11713A", "HP11713A", "hp11713a", hp, {}, {}, {"A0B1A2B3A4B5A6B7A8B9"}, {"B0A1B2A3B4A5B6A7B8A9"}, true,
       "0=set 1=reset 2=set 3=reset 4=set 5=reset 6=set 7=reset 8=set 9=reset",
       "0=reset 1=set 2=reset 3=set 4=reset 5=set 6=reset 7=set 8=reset 9=set"},
      {"HP59307", "HP59307", "hp59307", "[HP59307]\nRelais1Start=0\nRelais2Start=3\nRelais1Stop=2\nRelais2Stop=1\n", {}, {},
       {"A0B3"}, {"A2B1"}, false, "A=1 B=4", "A=3 B=2"},
      {"HP59307A", "HP59307A", "hp59307", "[HP59307]\nRelais1Start=1\nRelais2Start=2\nRelais1Stop=3\nRelais2Stop=0\n", {},
       {}, {"A1B2"}, {"A3B0"}, false, "A=2 B=3", "A=4 B=1"},
      {"EMCO2090", "EMCO2090", "emco2090", "[EMCO2090]\n" + RelaisKeys({1, 2, 1, 2}, {2, 1, 2, 1}), {}, {},
       {"AUX 1 ON", "AUX 2 OFF", "AUX 3 ON", "AUX 4 OFF"}, {"AUX 1 OFF", "AUX 2 ON", "AUX 3 OFF", "AUX 4 ON"}, false,
       "AUX1=ON AUX2=OFF AUX3=ON AUX4=OFF", "AUX1=OFF AUX2=ON AUX3=OFF AUX4=ON"},
      {"ETS_LINDGREN2090", "ETS_LINDGREN2090", "emco2090", "[EMCO2090]\n" + RelaisKeys({0, 0, 1, 0}, {0, 0, 2, 0}), {}, {},
       {"AUX 3 ON"}, {"AUX 3 OFF"}, false, "AUX3=ON", "AUX3=OFF"},
      {"EMCO5390", "EMCO5390", "emco5390", "[EMCO5390]\nStart=7\nStop=12\n",
       {"*ESE 1", "*SRE 32", "*IDN?", "*ESE 0", "*SRE 0"}, opened5390, {"*OPC", "P7", "*ESR?"}, {"*OPC", "P12", "*ESR?"},
       false, "POSITION=7", "POSITION=12"},
      {"SCIU_M3", "SCIU_M3", "sciu", "[SCIU]\n" + RelaisKeys({1, 2, 1, 2, 1}, {2, 1, 2, 1, 2}), {"*IDN?\r\n"},
       {"TO:A,0", "TO:B,0"}, {"TO:B1,0", "TO:B3,1", "TO:B5,0", "TO:B7,1", "TO:A,0"},
       {"TO:B1,1", "TO:B3,0", "TO:B5,1", "TO:B7,0", "TO:A0,1"}, true, "A=0 B=0 B1=0 B3=1 B5=0 B7=1",
       "A=1 B=0 B1=1 B3=0 B5=1 B7=0"},
      {"ICS4874", "ICS4874", "ics4874", ics4874, {"@"}, {}, ics24.during, ics24.after, false,
       ics24.stateDuring, ics24.stateAfter},
      {"ICS4864", "ICS4864", "ics4864", ics4864, {"@"}, {}, ics16.during, ics16.after, false,
       ics16.stateDuring, ics16.stateAfter},
      {"ICS4874INTERLOCK", "ICS4874INTERLOCK", "ics4874", interlock, {"@"}, {}, ics24.during, ics24.after, false,
       ics24.stateDuring, ics24.stateAfter},
  };
  return cases;
}

constexpr int kAddress = 9;
const char* const kGpibTable = "[GPIB]\nBoard=0\nPriAdr=9\nSecAdr=0\nWait=1\nClear=0\nReaddress=0\n";

// The bench with one simulated controller at address 9.
class RelayBench : public InstrumentBench {
public:
  RelayBench(const char* model, const sim::Simulator::Keys& more = {})
      : InstrumentBench(Wire::kBus, Keys(model, more)) {}
  // What the controller received since the last call.
  Commands Take() { return TakeCommands(); }
  template <class F>
  auto Inside(F&& f) {
    return Instrument().Access<sim::RelayController>(std::forward<F>(f));
  }
  std::string Summary() {
    return Inside([](sim::RelayController& c) { return c.Summary(); });
  }
  size_t Rejected() {
    return Inside([](sim::RelayController& c) { return c.Rejected(); });
  }

private:
  static sim::Simulator::Keys Keys(const char* model, const sim::Simulator::Keys& more) {
    // A bus message is one command, as it was sent.
    sim::Simulator::Keys keys{{"family", "relaycontroller"},
                              {"model", model},
                              {"read-terminator", "none"},
                              {"transport", "gpib"},
                              {"address", std::to_string(kAddress)}};
    keys.insert(keys.end(), more.begin(), more.end());
    return keys;
  }
};

class GpibRelayE2e : public testing::TestWithParam<size_t> {};
}  // namespace

TEST_P(GpibRelayE2e, SendsBothSetsAndLeavesTheirStates) {
  const RelayCase& c = Cases()[GetParam()];
  RelayBench bench(c.model);
  ModuleDriver driver(c.typeKey, bench.Write("relay.ini", std::string(c.table) + kGpibTable));

  const uint32_t checked = driver.m.CheckDevice(0, driver.id);
  ASSERT_EQ(checked, 0u) << driver.Text(checked);
  EXPECT_EQ(bench.Take(), c.check);
  ASSERT_EQ(driver.m.InitDevice(0, driver.id), 0u);
  EXPECT_EQ(bench.Take(), c.init);

  ASSERT_EQ(driver.Event(3), 0u);
  EXPECT_EQ(bench.Take(), c.during);
  EXPECT_EQ(bench.Summary(), c.stateDuring);
  ASSERT_EQ(driver.Event(18), 0u);
  EXPECT_EQ(bench.Take(), Commands{}) << "the during set is active";
  ASSERT_EQ(driver.Event(2), 0u);
  EXPECT_EQ(bench.Take(), c.after);
  EXPECT_EQ(bench.Summary(), c.stateAfter);
  ASSERT_EQ(driver.Event(18), 0u);
  EXPECT_EQ(bench.Take(), c.eventEighteenSends ? c.during : Commands{});
  EXPECT_EQ(bench.Summary(), c.eventEighteenSends ? c.stateDuring : c.stateAfter);
  for (uint32_t other : {1u, 4u, 9u, 10u, 19u, 23u}) EXPECT_EQ(driver.Event(other), 0u);
  EXPECT_EQ(bench.Take(), Commands{}) << "other events send nothing";
  EXPECT_EQ(bench.Rejected(), 0u) << "every command was understood";

  ASSERT_EQ(driver.m.DeInitDevice(0, driver.id), 0u);
}

INSTANTIATE_TEST_SUITE_P(Models, GpibRelayE2e, testing::Range<size_t>(0, Cases().size()),
                         [](const testing::TestParamInfo<size_t>& info) { return std::string(Cases()[info.param].name); });

// Every descriptor the module (and its service-request library) takes from
// the GPIB library goes back. The simulated table is as large as
// linux-gpib's, 4096 entries: checks that kept one each would fill it before
// the 5000th and fail with ENEB. The board is found by its name here, so that
// ibfind hands out descriptors too. A board whose device file does not open
// fails every check with the system's reason, before the library (which
// would keep the entry of such an open) is asked for a descriptor.
TEST(GpibRelaySpecialE2e, ThousandsOfChecksGiveEveryDescriptorBack) {
  RelayBench bench("hp11713a");
  ScopedVariable configuration("IB_CONFIG", bench.Write("gpib.conf", "interface {\n  minor = 0\n  name = \"GPIB0\"\n}\n"));
  ModuleDriver driver("HP11713A", bench.Write("relay.ini", kGpibTable));
  const int before = NextGpibDescriptor();
  ASSERT_GE(before, 16);
  std::filesystem::create_directories(bench.File("dev"));  // without gpib0
  const struct {
    std::optional<std::string> devices;
    uint32_t status;
    const char* text;
  } rows[] = {{std::nullopt, 0, ""},
              {bench.File("dev"), 0x30007002, "No such file or directory"}};
  for (const auto& row : rows) {
    {
      ScopedVariable devices("SWMATRIX_GPIB_DEVICES", row.devices);
      for (int check = 0; check < 5000; ++check) {
        const uint32_t status = driver.m.CheckDevice(0, driver.id);
        ASSERT_EQ(status, row.status) << "check " << check << ": " << driver.Text(status);
      }
      EXPECT_NE(driver.Text(row.status).find(row.text), std::string::npos) << driver.Text(row.status);
    }
    EXPECT_EQ(NextGpibDescriptor(), before);
  }
}

TEST(GpibRelaySpecialE2e, UnchangedRelaysSendNothingAndThePowerMeterPathSwitchesRelayNine) {
  RelayBench bench("hp11713a");
  const std::string ini = bench.Write("gpib.ini", kGpibTable);
  ModuleDriver relays("HP11713A", ini);
  ASSERT_EQ(relays.m.InitDevice(0, relays.id), 0u);
  for (uint32_t event : {3u, 2u, 18u}) EXPECT_EQ(relays.Event(event), 0u);
  EXPECT_EQ(bench.Take(), Commands{}) << "every relay is left as it is";

  ModuleDriver path("TADIRAN_HP8494", ini);
  ASSERT_EQ(path.m.InitDevice(0, path.id), 0u);
  const std::pair<uint32_t, const char*> steps[] = {{19, "9=reset"}, {23, "9=set"}, {21, "9=reset"}};
  for (const auto& [event, state] : steps) {
    ASSERT_EQ(path.Event(event), 0u);
    EXPECT_EQ(bench.Summary(), state) << event;
  }
  for (uint32_t event : {2u, 3u, 18u, 20u}) EXPECT_EQ(path.Event(event), 0u);
  EXPECT_EQ(bench.Take(), (Commands{"B9", "A9", "B9"}));
}

TEST(GpibRelaySpecialE2e, PositionerWaitsForItsLateCompletionAndTimesOutWithoutIt) {
  ScopedVariable wait("SWMATRIX_EMCO5390_WAIT_MS", "400");
  RelayBench bench("emco5390", {{"opc-delay", "150"}});
  ModuleDriver driver("EMCO5390", bench.Write("positioner.ini", kGpibTable));
  ASSERT_EQ(driver.m.InitDevice(0, driver.id), 0u);
  bench.Take();
  // The completion comes 150 ms after the move: the event waits for it.
  EXPECT_EQ(driver.Event(3), 0u);
  EXPECT_EQ(bench.Take(), (Commands{"*OPC", "PLD", "*ESR?"}));
  EXPECT_FALSE(bench.Inside([](sim::RelayController& c) { return c.Moving(); }));
  // A controller that never reports completion: the wait ends with the time-out status.
  bench.Instrument().Set("opc-delay", "never");
  const uint32_t status = driver.Event(2);
  EXPECT_EQ(status, 0x3000019Au);
  EXPECT_FALSE(driver.Text(status).empty());
  EXPECT_EQ(bench.Take(), (Commands{"*OPC", "PLD"}));
  EXPECT_EQ(bench.Summary(), "POSITION=LD");
}

TEST(GpibRelaySpecialE2e, RelayInterfaceStopsAtTheFirstFailingRelayAndReadsItsInterlockInput) {
  // The interface hangs after relay 3: the write of relay 4 is not taken.
  RelayBench bench("ics4874", {{"stop-listening", "R03."}, {"inputs", "00100100"}});
  const std::string ini =
      bench.Write("ics.ini", "[ICS4874]\n" + RelaisKeys({1, 1, 2, 1, 1}, {}) + "InterlockRelais=2\n" + kGpibTable);
  ModuleDriver driver("ICS4874INTERLOCK", ini);
  ASSERT_EQ(driver.m.InitDevice(0, driver.id), 0u);
  uint32_t closed = 7;
  EXPECT_EQ(driver.Request(1, &closed), 0u);
  EXPECT_EQ(closed, 1u) << "input 3 is closed";
  EXPECT_EQ(bench.Take(), Commands{"I03?"});
  const uint32_t status = driver.Event(3);
  EXPECT_EQ(status, 0x3000020Au);  // no listener
  EXPECT_FALSE(driver.Text(status).empty());
  EXPECT_EQ(bench.Take(), (Commands{"R011", "R021", "R030"}));
  EXPECT_EQ(bench.Summary(), "R01=set R02=set R03=reset");
  // An input outside the eight: nothing to ask, and no answer.
  bench.Write("ics.ini", std::string("[ICS4874]\nInterlockRelais=8\n") + kGpibTable);
  ASSERT_EQ(driver.m.LoadConfiguration(0, driver.id, ini.c_str()), 0u);
  closed = 7;
  EXPECT_EQ(driver.Request(1, &closed), 0x3000009Bu);
  EXPECT_EQ(closed, 0u);
  EXPECT_NE(driver.Text(0x3000009B).find("InterlockRelais=8"), std::string::npos) << driver.Text(0x3000009B);
  EXPECT_EQ(bench.Take(), Commands{});

  // The plain interface answers the interlock request closed without asking.
  bench.Instrument().Reset();
  ModuleDriver plain("ICS4874", ini);
  ASSERT_EQ(plain.m.InitDevice(0, plain.id), 0u);
  closed = 0;
  EXPECT_EQ(plain.Request(1, &closed), 0u);
  EXPECT_EQ(closed, 1u);
  EXPECT_EQ(bench.Take(), Commands{});
}

TEST(GpibRelaySpecialE2e, AWrongIdentificationIsReportedWithBothTexts) {
  RelayBench bench("ics4864", {{"idn", "SWMSIM 4874 relay interface"}});
  ModuleDriver driver("ICS4864", bench.Write("ics.ini", kGpibTable));
  const uint32_t status = driver.m.CheckDevice(0, driver.id);
  EXPECT_EQ(status, 0x30000096u);
  EXPECT_EQ(driver.Text(status),
            "The received identification of the device (\"SWMSIM 4874 relay interface\") is not matching with the "
            "expected identification (\"4864\").");
}
