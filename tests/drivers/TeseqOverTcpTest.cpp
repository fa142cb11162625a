// A Teseq unit over TCP, a transport the test adds to the driver's own
// (its end-to-end test runs on a serial port).
#include <gtest/gtest.h>

#include "drivers/StreamDriverBench.h"
#include "drivers/teseq/TeseqRFB6000.h"
#include "sim/teseq/TeseqUnit.h"

// The Teseq unit's second transport in the tests: TCP here, a serial port in the end-to-end test.
TEST(TeseqOverTcp, SwitchesAndChecksItsSlots) {
  StreamDriverBench<TeseqRFB6000> bench(sim::Simulator::Keys{{"family", "teseq"}, {"outputs", "6,6,6,-,6,6,6,6,6,6"}},
                                        "[TESEQRFB6000]\nB-before=7\nB-after=1\n");
  EXPECT_EQ(bench.driver.CheckDevice(0), 0u);
  bench.ExpectBytes("GET:POSARR?\n*GTL\n");
  ASSERT_EQ(bench.driver.InitDevice(0), 0u);
  EXPECT_EQ(bench.Event(3), 0u);
  bench.ExpectBytes("SET:STATE B 6\n");
  EXPECT_EQ(bench.instrument.Access<sim::TeseqUnit>([](sim::TeseqUnit& unit) { return unit.Position('B'); }), 6);
  EXPECT_EQ(bench.Event(2), 0u);
  bench.ExpectBytes("SET:STATE B 0\n");
  EXPECT_EQ(bench.instrument.Access<sim::TeseqUnit>([](sim::TeseqUnit& unit) { return unit.Position('B'); }), 0);
  EXPECT_EQ(bench.driver.DeInitDevice(0), 0u);
  bench.ExpectBytes("*GTL\n");
  EXPECT_EQ(bench.Event(3), 0u);  // not initialised: nothing is sent
  bench.ExpectBytes("");
}
