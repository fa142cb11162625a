// Output cycling through the module's exports against a simulated
// instrument on the GPIB bus that records every change of its output: the
// host's dwell requests drive the cycles, and the record shows the order and
// number of the changes (times are the driver's business, not asserted).
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "InstrumentBench.h"
#include "sim/outputcycler/OutputCycler.h"

namespace {
const char* const kGpib = "[GPIB]\nBoard=0\nPriAdr=11\nSecAdr=0\nWait=0\nClear=0\nReaddress=0\n";

struct Cycling : ModuleDriver {
  explicit Cycling(const std::string& ini) : ModuleDriver("RSONOFF", ini) {}
  uint32_t Request(uint32_t request) {
    uint32_t answer = 7;
    EXPECT_EQ(ModuleDriver::Request(request, &answer), 0u);
    return answer;
  }
  // Asks "DwellTimeStopOk" as a host does while it waits, until the answer is yes; the number of asks.
  int WaitForStopOk() {
    for (int asks = 1; asks < 100000; ++asks) {
      if (Request(3) == 1) return asks;
      std::this_thread::sleep_for(std::chrono::milliseconds(2));  // the host's polling pace
    }
    return -1;
  }
};
}  // namespace

TEST(OutputCyclingE2e, CyclesTheOutputAsOftenAsConfiguredThenLetsTheDwellStop) {
  InstrumentBench bench(Wire::kBus, {{"family", "outputcycler"},
                                     {"read-terminator", "none"},
                                     {"output", "on"},
                                     {"transport", "gpib"},
                                     {"address", "11"}});
  sim::Instrument& source = bench.Instrument();
  Cycling driver(bench.Write("onoff.ini", std::string("[RSOnOff]\nOnTime=20\nOffTime=30\nCycles=3\n") + kGpib));
  ASSERT_EQ(driver.m.InitDevice(0, driver.id), 0u);

  EXPECT_EQ(driver.Request(2), 1u);
  EXPECT_GT(driver.WaitForStopOk(), 6);
  auto changes = [&] { return source.Access<sim::OutputCycler>([](sim::OutputCycler& o) { return o.ChangeWords(); }); };
  EXPECT_EQ(changes(), (std::vector<std::string>{"OFF", "ON", "OFF", "ON", "OFF", "ON"}));
  EXPECT_EQ(source.ReceivedCommands().size(), 6u);
  EXPECT_EQ(driver.Request(3), 1u) << "the cycles are done";
  EXPECT_EQ(source.ReceivedCommands().size(), 6u) << "the output is on and stays so";

  // A new dwell starts the cycles again.
  EXPECT_EQ(driver.Request(2), 1u);
  EXPECT_GT(driver.WaitForStopOk(), 6);
  EXPECT_EQ(changes().size(), 12u);
  EXPECT_EQ(source.Access<sim::OutputCycler>([](sim::OutputCycler& o) { return o.Unchanged() + o.Rejected(); }), 0u);
}

TEST(OutputCyclingE2e, WithoutCyclesTheFirstStopRequestAnswersYesAndSwitchesNothing) {
  InstrumentBench bench(
      Wire::kBus, {{"family", "outputcycler"}, {"read-terminator", "none"}, {"transport", "gpib"}, {"address", "11"}});
  sim::Instrument& source = bench.Instrument();
  Cycling driver(bench.Write("onoff.ini", std::string("[RSOnOff]\nOnTime=20\nOffTime=30\nCycles=0\n") + kGpib));
  ASSERT_EQ(driver.m.InitDevice(0, driver.id), 0u);
  EXPECT_EQ(driver.Request(2), 1u);
  EXPECT_EQ(driver.Request(3), 1u);
  EXPECT_EQ(source.ReceivedCommands(), std::vector<std::string>{}) << "the output counts as on already";
}
