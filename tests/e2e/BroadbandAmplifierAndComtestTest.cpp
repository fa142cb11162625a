// The broadband amplifier's interlock monitor and the Comtest switch unit
// through the module's exports on their own transports (VISA, GPIB) against
// the simulated instruments on the simulated bus: identification, every
// interlock answer with its status and text on event 7 and the interlock
// request asked of the amplifier the same way (a silent amplifier fails both
// with the time-out's status), and the Comtest status byte of events 3 and 2.
#include <gtest/gtest.h>

#include "e2e/InstrumentBench.h"
#include "sim/comtest/ComtestUnit.h"

namespace {
std::string Interlock(bool deviceCheck, int group) {
  return "[BBA_IL]\nDeviceInterlockSetting=" + std::to_string(deviceCheck ? 1 : 0) +
         "\nGroupInterlockSetting=" + std::to_string(group) + "\n";
}
}  // namespace

TEST(BroadbandAmplifierE2e, ReportsTheDeviceAndGroupInterlocksOnFrequencySteps) {
  InstrumentBench bench(Wire::kVisa, {{"family", "amplifier"}, {"model", "bba100"}});
  {
    ModuleDriver driver("BBA100_IL", bench.Ini("check.ini", Interlock(false, 1)));
    EXPECT_EQ(driver.m.CheckDevice(0, driver.id), 0u);
    bench.ExpectBytes("*IDN?\n");
    bench.Instrument().Set("idn", "ACME,AMPLIFIER,1,1.0");
    const uint32_t mismatch = driver.m.CheckDevice(0, driver.id);
    EXPECT_EQ(mismatch, 0x30000096u);
    EXPECT_EQ(driver.Text(mismatch),
              "The received identification of the device (\"ACME,AMPLIFIER,1,1.0\") is not matching with the "
              "expected identification (\"Rohde & Schwarz,BBA100\").");
    bench.ExpectBytes("*IDN?\n");
    EXPECT_EQ(driver.Event(7), 0x30001F41u);
    ASSERT_EQ(driver.m.InitDevice(0, driver.id), 0u);
    EXPECT_EQ(driver.Event(3), 0u);
    EXPECT_EQ(driver.Event(2), 0u);
    bench.ExpectBytes("");
  }

  struct Case {
    bool deviceCheck;
    int group;
    const char* reply;  // "DEVI,GRP1,GRP2,GRP3"
    uint32_t status;
    const char* text;
  };
  const Case cases[] = {
      {false, 1, "CLOS,CLOS,CLOS,CLOS", 0, ""},
      {false, 1, "OPEN,CLOS,OPEN,OPEN", 0, ""},
      {true, 1, "OPEN,CLOS,CLOS,CLOS", 0x30005BFF, "Amplifier Device Interlock is open."},
      {true, 1, "CLOS,OPEN,CLOS,CLOS", 0x30005C00, "Amplifier Group Interlock 1 is open."},
      {false, 0, "CLOS,OPEN,CLOS,CLOS", 0x30005C00, "Amplifier Group Interlock 0 is open."},
      {false, 7, "CLOS,NOTS,CLOS,CLOS", 0x30005C01,
       "Amplifier returned that the Group Interlock 7 is not allocated to the currently active RF path and is not "
       "evaluated."},
      {false, 2, "CLOS,CLOS,NOTS,CLOS", 0x30005C01,
       "Amplifier returned that the Group Interlock 2 is not allocated to the currently active RF path and is not "
       "evaluated."},
      {false, 2, "CLOS,OPEN,CLOS,OPEN", 0, ""},
      {false, 3, "CLOS,CLOS,CLOS,OPEN", 0x30005C00, "Amplifier Group Interlock 3 is open."},
      {true, 3, "INTERLOCK ERR -221", 0x30005BFE, "Amplifier returned an Interlock error."},
      {true, 1, "", 0, ""},
      {false, 1, "CLOS,CLOS", 0x30005C02, "Amplifier Interlock query returned an unexpected respond."},
      {false, 1, "clos,clos,clos,clos", 0x30005C02, "Amplifier Interlock query returned an unexpected respond."},
  };
  for (const Case& c : cases) {
    ModuleDriver driver("BBA100_IL", bench.Ini("case.ini", Interlock(c.deviceCheck, c.group)));
    ASSERT_EQ(driver.m.InitDevice(0, driver.id), 0u);
    bench.Instrument().Set("interlock-reply", c.reply);
    const uint32_t status = driver.Event(7);
    EXPECT_EQ(status, c.status) << c.reply;
    EXPECT_EQ(driver.Text(status), c.text) << c.reply;
    bench.ExpectBytes("SENS:INT?\n", c.reply);
    uint32_t closed = 7;
    EXPECT_EQ(driver.Request(SWM_REQUEST_InterlockClosed, &closed), c.status) << c.reply;
    EXPECT_EQ(closed, c.status == 0 ? 1u : 0u) << c.reply;
    bench.ExpectBytes("SENS:INT?\n", c.reply);
  }
  {
    // A silent amplifier: no answer is no success, neither of event 7 nor of the request.
    ModuleDriver driver("BBA100_IL", bench.Ini("silent.ini", Interlock(false, 1) + "[Stream Config]\nTimeoutSeconds=0.3\n"));
    ASSERT_EQ(driver.m.InitDevice(0, driver.id), 0u);
    bench.Instrument().Set("fault", "noanswer");
    const uint32_t status = driver.Event(7);
    EXPECT_EQ(status, 0x3000012Eu);
    EXPECT_NE(driver.Text(status), "");
    uint32_t closed = 7;
    EXPECT_EQ(driver.Request(SWM_REQUEST_InterlockClosed, &closed), 0x3000012Eu);
    EXPECT_EQ(closed, 0u);
    bench.ExpectBytes("SENS:INT?\nSENS:INT?\n");
    bench.Instrument().Set("fault", "none");
  }
}

class ComtestE2e : public testing::TestWithParam<Wire> {};

TEST_P(ComtestE2e, WritesTheStatusByteThatTheSettingsMake) {
  InstrumentBench bench(GetParam(), {{"family", "comtest"}, {"terminator", "none"}});
  auto relays = [&] {
    return bench.Instrument().Access<sim::ComtestUnit>([](sim::ComtestUnit& unit) {
      std::string text;
      for (int relay = 1; relay <= 6; ++relay) text += unit.Relay(relay) + " ";
      return text;
    });
  };
  ModuleDriver driver("COMTEST_MCP01_SM", bench.Ini("comtest.ini", "[COMTESTMCP01]\n1-before=1\n3-before=1\n"));
  swm::Module& m = driver.m;
  EXPECT_EQ(m.CheckDevice(0, driver.id), 0u);
  bench.ExpectBytes("");
  ASSERT_EQ(m.InitDevice(0, driver.id), 0u);
  bench.ExpectBytes(std::string(1, '\0'));
  // Relays 1 and 3 normally open before; every relay unchanged after: the byte stays.
  EXPECT_EQ(driver.Event(3), 0u);
  bench.ExpectBytes("\x05");
  EXPECT_EQ(relays(), "NO NC NO NC NC NC ");
  EXPECT_EQ(driver.Event(2), 0u);
  bench.ExpectBytes("\x05");
  EXPECT_EQ(driver.Event(7), 0u);
  bench.ExpectBytes("");
  EXPECT_EQ(m.DeInitDevice(0, driver.id), 0u);

  // Relay 1 normally closed and relay 6 normally open after the test; initialising releases all.
  ModuleDriver after("COMTEST_MCP01_SM", bench.Ini("after.ini", "[COMTESTMCP01]\n1-after=2\n6-after=1\n"));
  ASSERT_EQ(m.InitDevice(0, after.id), 0u);
  EXPECT_EQ(after.Event(3), 0u);
  EXPECT_EQ(after.Event(2), 0u);
  bench.ExpectBytes(std::string("\0\0\x20", 3));
  EXPECT_EQ(relays(), "NC NC NC NC NC NO ");
}

INSTANTIATE_TEST_SUITE_P(Wires, ComtestE2e, testing::Values(Wire::kVisa, Wire::kGpibStream),
                         [](const testing::TestParamInfo<Wire>& info) { return std::string(WireName(info.param)); });

// The monitor's other transport: the compliant GPIB stream (which sets up
// the amplifier's service requests when it opens).
TEST(BroadbandAmplifierE2e, ReportsAnOpenGroupInterlockOverCompliantGpib) {
  InstrumentBench bench(Wire::kCompliantGpib, {{"family", "amplifier"}, {"model", "bba100"}});
  ModuleDriver driver("BBA100_IL", bench.Ini("gpib.ini", Interlock(false, 2)));
  ASSERT_EQ(driver.m.InitDevice(0, driver.id), 0u);
  bench.TakeBytes();
  bench.Instrument().Set("interlock-group2", "OPEN");
  const uint32_t status = driver.Event(7);
  EXPECT_EQ(status, 0x30005C00u);
  EXPECT_EQ(driver.Text(status), "Amplifier Group Interlock 2 is open.");
  bench.ExpectBytes("SENS:INT?\n");
}
