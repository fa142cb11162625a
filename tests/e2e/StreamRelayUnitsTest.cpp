// The relay and switch units driven over a device stream, through the
// module's exports, against their simulators on TCP: the bytes each event
// sends, the relay or switch positions the unit holds afterwards, the rules
// about repeating a set.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "InstrumentBench.h"
#include "sim/relays/RelayUnits.h"

namespace {
// One event and what it must do.
struct Step {
  uint32_t event;
  std::string bytes;               // what the unit receives
  std::vector<int> positions;      // the unit's positions afterwards
};

struct UnitCase {
  const char* name;
  const char* typeKey;
  const char* family;
  const char* terminator;  // of the simulated unit
  std::string settings;    // the driver's tables, every setting changed
  std::string initBytes;   // what InitDevice sends
  std::vector<Step> steps;
};

const std::vector<UnitCase>& Cases() {
  static const std::vector<UnitCase> cases = {
      {"Toyo3",
       "TOYONS4903",
       "toyo",
       "lf",
       // Relays 4 to 10 are above the count: stored, never sent.
       "[Relais1]\nRelaisDuring=1\nRelaisAfter=2\n[Relais2]\nRelaisDuring=0\nRelaisAfter=1\n"
       "[Relais3]\nRelaisDuring=2\nRelaisAfter=1\n[Relais4]\nRelaisDuring=1\nRelaisAfter=2\n"
       "[Relais5]\nRelaisDuring=2\nRelaisAfter=1\n[Relais6]\nRelaisDuring=1\nRelaisAfter=1\n"
       "[Relais7]\nRelaisDuring=2\nRelaisAfter=2\n[Relais8]\nRelaisDuring=1\nRelaisAfter=2\n"
       "[Relais9]\nRelaisDuring=2\nRelaisAfter=1\n[Relais10]\nRelaisDuring=1\nRelaisAfter=2\n",
       "",
       {{3, "S1R3\n", {1, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
        {2, "R1S2S3\n", {0, 1, 1, 0, 0, 0, 0, 0, 0, 0}},
        // No memory: the same set goes out again.
        {3, "S1R3\n", {1, 1, 0, 0, 0, 0, 0, 0, 0, 0}},
        {7, "", {1, 1, 0, 0, 0, 0, 0, 0, 0, 0}}}},
      {"Toyo10",
       "TOYONS4900",
       "toyo",
       "lf",
       "[Relais1]\nRelaisDuring=0\nRelaisAfter=0\n[Relais4]\nRelaisDuring=1\n[Relais10]\nRelaisDuring=1\nRelaisAfter=2\n",
       "",
       {{3, "S4S10\n", {0, 0, 0, 1, 0, 0, 0, 0, 0, 1}}, {2, "R10\n", {0, 0, 0, 1, 0, 0, 0, 0, 0, 0}}}},
      {"SC1000",
       "ARSC1000",
       "sc1000",
       "lf",
       // Switch 6 is disabled in the dialog of the plain model, but still sent.
       "[SC1000]\nRelais1Start=0\nRelais2Start=3\nRelais3Start=0\nRelais4Start=0\nRelais5Start=0\n"
       "Relais6Start=1\nRelais7Start=0\nRelais1Stop=4\nRelais2Stop=1\nRelais3Stop=0\nRelais4Stop=0\n"
       "Relais5Stop=0\nRelais6Stop=0\nRelais7Stop=2\nModel=0\nWait=250\n",
       "P1\nR\n",
       {{3, "SW2-3\r\nSW6-1\r\n", {0, 3, 0, 0, 0, 1, 0}},
        // The during positions are active: a second start sends nothing.
        {3, "", {0, 3, 0, 0, 0, 1, 0}},
        {2, "SW1-4\r\nSW2-1\r\nSW7-2\r\n", {4, 1, 0, 0, 0, 1, 2}},
        {2, "", {4, 1, 0, 0, 0, 1, 2}},
        {3, "SW2-3\r\nSW6-1\r\n", {4, 3, 0, 0, 0, 1, 2}}}},
      {"KRE",
       "KRE",
       "kre",
       "lf",
       "[KRE]\nRelais1Start=0\nRelais2Start=1\nRelais3Start=100\nRelais4Start=3\nRelais5Start=4\nRelais6Start=5\n"
       "Relais7Start=6\nRelais8Start=0\nRelais9Start=1\nRelais1Stop=6\nRelais2Stop=5\nRelais3Stop=4\n"
       "Relais4Stop=100\nRelais5Stop=2\nRelais6Stop=1\nRelais7Stop=0\nRelais8Stop=6\nRelais9Stop=5\nWait=20\n",
       "",
       {{3, "R1P0R2P1R4P3R5P4R6P5R7P6R8P0R9P1\n", {0, 1, 0, 3, 4, 5, 6, 0, 1}},
        {2, "R1P6R2P5R3P4R5P2R6P1R7P0R8P6R9P5\n", {6, 5, 4, 3, 2, 1, 0, 6, 5}},
        {9, "", {6, 5, 4, 3, 2, 1, 0, 6, 5}}}},
  };
  return cases;
}

std::vector<int> Positions(sim::Instrument& unit) {
  return unit.Access<sim::RelayUnit>([](sim::RelayUnit& u) { return u.Positions(); });
}

class StreamRelayUnitsE2e : public testing::TestWithParam<size_t> {};
}  // namespace

TEST_P(StreamRelayUnitsE2e, SwitchesEachSetAndHoldsItsPositions) {
  const UnitCase& c = Cases()[GetParam()];
  InstrumentBench bench(Wire::kTcp, {{"family", c.family}, {"terminator", c.terminator}});
  sim::Instrument& unit = bench.Instrument();
  ModuleDriver driver(c.typeKey, bench.Ini("unit.ini", c.settings));
  ASSERT_TRUE(driver.created);
  swm::Module& m = driver.m;
  const uint32_t checked = m.CheckDevice(0, driver.id);
  ASSERT_EQ(checked, 0u) << m.ErrorText(driver.id, checked);
  EXPECT_EQ(unit.ReceivedBytes(), "");
  ASSERT_EQ(m.InitDevice(0, driver.id), 0u);
  ASSERT_TRUE(unit.WaitForBytes(c.initBytes.size(), std::chrono::seconds(5)));
  EXPECT_EQ(unit.ReceivedBytes(), c.initBytes);
  for (const Step& step : c.steps) {
    unit.ResetLog();
    ASSERT_EQ(driver.Event(step.event), 0u) << "event " << step.event;
    // Bytes of a step that should have sent nothing show up in the next step's record.
    ASSERT_TRUE(unit.WaitForBytes(step.bytes.size(), std::chrono::seconds(5))) << unit.ReceivedBytes();
    EXPECT_EQ(unit.ReceivedBytes(), step.bytes) << "event " << step.event;
    EXPECT_EQ(Positions(unit), step.positions) << "event " << step.event;
  }
  for (uint32_t event : {0u, 85u, 0xFFFFFFFFu}) EXPECT_EQ(driver.Event(event), 0u) << "event " << event << ", outside the table";
}

INSTANTIATE_TEST_SUITE_P(Units, StreamRelayUnitsE2e, testing::Range<size_t>(0, Cases().size()),
                         [](const testing::TestParamInfo<size_t>& info) { return Cases()[info.param].name; });
