// The Probex 5 adjustment switch through the module's exports against a
// simulated probe on TCP: the identification check, the start of an
// adjustment for the configured axis, band and antenna, the field of each
// forward power, the end, and a probe error as a status with its text.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "InstrumentBench.h"
#include "sim/probex/ProbexProbe.h"

namespace {
constexpr const char* kKey = "ZEVOPROBEX5CALIBRATION";
}  // namespace

TEST(ProbexE2e, TellsTheProbeEachStepOfTheAdjustment) {
  InstrumentBench bench(Wire::kTcp, {{"family", "probex"}});
  sim::Instrument& probe = bench.Instrument();
  ModuleDriver driver(kKey,
                      bench.Ini("probe.ini", "[Common]\nCentreType=3\n[Probex5Cal]\nAxis=1\nBand=0\nAntenna=1\n"));
  swm::Module& m = driver.m;
  const uint32_t checked = m.CheckDevice(0, driver.id);
  ASSERT_EQ(checked, 0u) << m.ErrorText(driver.id, checked);
  const std::vector<std::string> check = probe.ReceivedCommands();
  ASSERT_FALSE(check.empty());
  EXPECT_EQ(check.front(), "*IDN?");
  EXPECT_EQ(check.back(), "A*IDN?");

  ASSERT_EQ(m.InitDevice(0, driver.id), 0u);
  probe.ResetLog();
  ASSERT_EQ(driver.Event(1), 0u);
  ASSERT_EQ(driver.Event(24, 0.0), 0u);
  ASSERT_EQ(driver.Event(24, 10.0), 0u);
  ASSERT_EQ(driver.Event(9), 0u);
  auto probeState = [&] {
    return probe.Access<sim::ProbexProbe>([](sim::ProbexProbe& p) {
      return std::make_tuple(p.Adjusting(), p.Target(), p.Fields(), p.Completed());
    });
  };
  EXPECT_EQ(probeState(), std::make_tuple(true, std::string("YHB2"), std::vector<long>{787, 2489}, size_t{0}));
  ASSERT_EQ(driver.Event(2), 0u);
  EXPECT_EQ(probe.ReceivedCommands(), (std::vector<std::string>{"!ADJUST_START YHB2", "!ADJUST_FIELD 787",
                                                                "!ADJUST_FIELD 2489", "!ADJUST_STOP"}));
  EXPECT_EQ(std::get<3>(probeState()), 1u);

  // A field outside an adjustment: the probe's error number in the status and the text.
  const uint32_t failed = driver.Event(24, 0.0);
  EXPECT_EQ(failed, 0x30003A98u + 7);
  EXPECT_EQ(m.ErrorText(driver.id, failed),
            "Device returned system error code: 7.\nPlease check the manual of your device to determine the exact cause.");

  // The low band leaves the antenna out.
  ModuleDriver lowBand(kKey, bench.Ini("low.ini", "[Common]\nCentreType=3\n[Probex5Cal]\nAxis=2\nBand=1\nAntenna=1\n"));
  ASSERT_EQ(m.InitDevice(0, lowBand.id), 0u);
  ASSERT_EQ(lowBand.Event(1), 0u);
  EXPECT_EQ(std::get<1>(probeState()), "ZLB");
}
