// The drivers whose transports (VISA, GPIB) are not built yet, tried over
// TCP against the simulated instruments: the broadband amplifier's
// interlock monitor (every interlock answer and its status and text on
// event 7) and the Comtest unit's status byte.
#include <gtest/gtest.h>

#include "drivers/amplifier/BBA_IL.h"
#include "drivers/comtest/ComtestMCP01.h"
#include "drivers/StreamDriverBench.h"
#include "drivers/teseq/TeseqRFB6000.h"
#include "sim/comtest/ComtestUnit.h"
#include "sim/teseq/TeseqUnit.h"

TEST(BBAInterlock, ReportsTheDeviceAndGroupInterlocksOnFrequencySteps) {
  StreamDriverBench<BBA_IL> bench(sim::Simulator::Keys{{"family", "amplifier"}, {"model", "bba100"}});
  BBA_IL& driver = bench.driver;
  EXPECT_EQ(driver.CheckDevice(0), 0u);
  bench.ExpectBytes("*IDN?\n");
  bench.instrument.Set("idn", "ACME,AMPLIFIER,1,1.0");
  EXPECT_EQ(driver.CheckDevice(0), 0x30000096u);
  bench.ExpectBytes("*IDN?\n");

  EXPECT_EQ(bench.Event(7), 0x30001F41u);
  ASSERT_EQ(driver.InitDevice(0), 0u);
  EXPECT_EQ(bench.Event(3), 0u);
  EXPECT_EQ(bench.Event(2), 0u);
  bench.ExpectBytes("");

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
    driver.SetDeviceInterlockCheck(c.deviceCheck);
    driver.SetGroupInterlock(c.group);
    bench.instrument.Set("interlock-reply", c.reply);
    const uint32_t status = bench.Event(7);
    EXPECT_EQ(status, c.status) << c.reply;
    EXPECT_EQ(bench.Text(status), c.text) << c.reply;
    bench.ExpectBytes("SENS:INT?\n", c.reply);
  }
  // Each query leaves a pause of 500 ms before the next exchange.
  EXPECT_EQ(driver.GetCommunicationDelay(), 500000u);
  EXPECT_EQ(driver.DeInitDevice(0), 0u);
  EXPECT_EQ(bench.Event(7), 0x30001F41u);

  driver.SetDeviceInterlockCheck(true);
  driver.SetGroupInterlock(3);
  const auto [first, second] = bench.SaveLoadSave();
  EXPECT_EQ(first, second);
  EXPECT_NE(first.find("[BBA_IL]\nDeviceInterlockSetting=1\nGroupInterlockSetting=3\n"), std::string::npos) << first;
}

TEST(ComtestRelays, WritesTheStatusByteThatTheSettingsMake) {
  StreamDriverBench<ComtestMCP01> bench(sim::Simulator::Keys{{"family", "comtest"}, {"terminator", "none"}},
                                        "[COMTESTMCP01]\n1-before=1\n3-before=1\n");
  ComtestMCP01& driver = bench.driver;
  auto relays = [&] {
    return bench.instrument.Access<sim::ComtestUnit>([](sim::ComtestUnit& unit) {
      std::string text;
      for (int relay = 1; relay <= 6; ++relay) text += unit.Relay(relay) + " ";
      return text;
    });
  };
  EXPECT_EQ(driver.CheckDevice(0), 0u);
  bench.ExpectBytes("");
  ASSERT_EQ(driver.InitDevice(0), 0u);
  bench.ExpectBytes(std::string(1, '\0'));
  // Relays 1 and 3 normally open before; every relay unchanged after: the byte stays.
  EXPECT_EQ(bench.Event(3), 0u);
  bench.ExpectBytes("\x05");
  EXPECT_EQ(relays(), "NO NC NO NC NC NC ");
  EXPECT_EQ(bench.Event(2), 0u);
  bench.ExpectBytes("\x05");
  EXPECT_EQ(bench.Event(7), 0u);
  bench.ExpectBytes("");

  driver.SetSetting(1, ComtestMCP01::kAfter, comtest::NormallyClosed);
  driver.SetSetting(6, ComtestMCP01::kAfter, comtest::NormallyOpen);
  EXPECT_EQ(bench.Event(2), 0u);
  bench.ExpectBytes("\x24");
  EXPECT_EQ(relays(), "NC NC NO NC NC NO ");
  EXPECT_EQ(bench.instrument.Access<sim::ComtestUnit>([](sim::ComtestUnit& u) { return u.Applied(); }),
            (std::vector<uint8_t>{0x00, 0x05, 0x05, 0x24}));
  // Initialising releases every relay.
  EXPECT_EQ(driver.DeInitDevice(0), 0u);
  ASSERT_EQ(driver.InitDevice(0), 0u);
  bench.ExpectBytes(std::string(1, '\0'));
  EXPECT_EQ(relays(), "NC NC NC NC NC NC ");

  for (int relay = 1; relay <= 6; ++relay) {
    driver.SetSetting(relay, ComtestMCP01::kBefore, static_cast<comtest::RelayState>(relay % 3));
    driver.SetSetting(relay, ComtestMCP01::kAfter, static_cast<comtest::RelayState>((relay + 1) % 3));
  }
  const auto [first, second] = bench.SaveLoadSave();
  EXPECT_EQ(first, second);
  EXPECT_NE(first.find("[COMTESTMCP01]\n1-before=1\n1-after=2\n2-before=2\n2-after=0\n"), std::string::npos) << first;
}

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
