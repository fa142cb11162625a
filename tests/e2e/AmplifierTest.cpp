// The BONN amplifier drivers through the module's exports against the
// simulated amplifier: the status monitor over TCP and over a serial port
// (every fault pattern and execution result becomes its status and text on
// event 7 and answers the interlock request), the band switch (remote/local, status with reset, service
// request enable, band commands, request 1), the band switch on the older
// GPIB layer, and identification checks that pass and fail.
#include <gtest/gtest.h>

#include "e2e/InstrumentBench.h"
#include "sim/amplifier/Amplifier.h"

namespace {
constexpr uint32_t kMismatch = 0x30000096;

struct Judged {
  const char* reply;
  uint32_t status;
  const char* text;
};

const std::vector<Judged> kStatusReplies = {
    {"SYSTEM_OK", 0, ""},
    {"INTERLOCK_EXT", 0x3000076E, "Amplifier returned External Interlock error."},
    {"FAULT INTERLOCK EXT OPEN", 0x3000076E, "Amplifier returned External Interlock error."},
    {"INTERLOCK_INT", 0x3000076D, "Amplifier returned Internal Interlock error."},
    {"OVERTEMP", 0x3000076C, "Amplifier returned too high in temperature error."},
    {"TEMP SENSOR 2 FAIL", 0x3000076C, "Amplifier returned too high in temperature error."},
    {"POWER_SUPPLY_FAULT", 0x3000076F, "Amplifier returned Supply error."},
    {"PS3 FAIL", 0x3000076F, "Amplifier returned Supply error."},
    {"CONTROL_FAULT", 0x30000770, "Amplifier returned Control error."},
    {"LATCH TIMEOUT", 0x30000770, "Amplifier returned Control error."},
    {"SWITCH_FAULT", 0x30000771, "Amplifier returned Band switch error."},
    {"SW2 FAIL", 0x30000771, "Amplifier returned Band switch error."},
    // The first pattern in the order of the table decides.
    {"OVERTEMP INTERLOCK_INT", 0x3000076D, "Amplifier returned Internal Interlock error."},
    {"WARMING UP", 0x3000079D, "Amplifier returned an undocumented error 'WARMING UP'."},
};

const std::vector<Judged> kExecutionResults = {
    {"OK", 0, ""},
    {"FAIL_UNKNOWN_CMD", 0x3000077F, "Amplifier returned Command unknown/Syntax error."},
    {"FAIL_NO_EFFECT", 0x30000780, "Amplifier returned Command has no effect error."},
    {"FAIL_ERRORS_PRESENT", 0x30000781, "Amplifier returned Command ignored as a fault message is active or latched."},
    {"FAIL_WARNS_PRESENT", 0x30000782, "Amplifier returned Command ignored as a warning is active."},
    {"FAIL_BANDCHG_ON_RFON", 0x30000783, "Amplifier returned Band switching is blocked during AMP=ON."},
    {"FAIL_FOCUSCHG_ON_RFON", 0x30000784, "Amplifier returned Control change is blocked during AMP=ON."},
    {"FAIL_FOCUSCHG_ON_NOTLOCAL", 0x30000785, "Amplifier returned Instrument is controlled by another interface."},
    {"FAIL_FOCUSCHG_ON_EXTERN", 0x30000786, "Amplifier returned Instrument is controlled by external amplifier."},
    {"FAIL_NO_FOCUS", 0x30000787, "Amplifier returned Instrument is controlled by another interface."},
    {"FAIL_RFINHIBIT", 0x30000788, "Amplifier returned Operate inhibited e.g. after initial turn on."},
    {"FAIL_ILLEGAL_BAND", 0x30000789, "Amplifier returned Invalid band selected error."},
    {"FAIL_ILLEGAL_ATT", 0x3000078A, "Amplifier returned Illegal gain step selected error."},
    {"FAIL_UNSPEC_ERR", 0x3000078B, "Amplifier returned Unspecified error."},
    {"BUSY", 0x3000079D, "Amplifier returned an undocumented error 'BUSY'."},
};

class BonnStatusMonitor : public testing::TestWithParam<Wire> {};
}  // namespace

TEST_P(BonnStatusMonitor, ReportsEveryStatusAndExecutionResultOnFrequencySteps) {
  InstrumentBench bench(GetParam(), {{"family", "amplifier"}, {"model", "bonn"}});
  {
    // Without an expected identification the check does not talk to the amplifier.
    ModuleDriver plain("BONN_IL", bench.Ini("plain.ini", ""));
    EXPECT_EQ(plain.m.CheckDevice(0, plain.id), 0u);
    bench.ExpectBytes("");
  }
  ModuleDriver driver("BONN_IL", bench.Ini("bonn.ini", "[BONN_IL]\nReturnedID=bonn bas\n"));
  swm::Module& m = driver.m;
  ASSERT_EQ(m.CheckDevice(0, driver.id), 0u);
  bench.ExpectBytes("*IDN?\n");
  bench.Instrument().Set("idn", "ACME,OTHER AMPLIFIER,1,1.0");
  const uint32_t mismatch = m.CheckDevice(0, driver.id);
  EXPECT_EQ(mismatch, kMismatch);
  EXPECT_EQ(driver.Text(mismatch),
            "The received identification of the device (\"ACME,OTHER AMPLIFIER,1,1.0\") is not matching with the "
            "expected identification (\"bonn bas\").");

  // A frequency step before the initialisation finds the stream closed.
  EXPECT_EQ(driver.Event(7), 0x30001F41u);
  ASSERT_EQ(m.InitDevice(0, driver.id), 0u);
  bench.TakeBytes();
  EXPECT_EQ(driver.Event(3), 0u);
  EXPECT_EQ(driver.Event(2), 0u);
  bench.ExpectBytes("");
  for (const Judged& c : kStatusReplies) {
    bench.Instrument().Set("status", c.reply);
    const uint32_t status = driver.Event(7);
    EXPECT_EQ(status, c.status) << c.reply;
    EXPECT_EQ(driver.Text(status), c.text) << c.reply;
    bench.ExpectBytes("STATUS?\n", c.reply);
    // The interlock request asks the same and is "Closed" only when all is well.
    uint32_t closed = 7;
    EXPECT_EQ(driver.Request(SWM_REQUEST_InterlockClosed, &closed), c.status) << c.reply;
    EXPECT_EQ(closed, c.status == 0 ? 1u : 0u) << c.reply;
    bench.ExpectBytes("STATUS?\n", c.reply);
  }

  // With the execution result: asked after a good or an undocumented status only.
  ModuleDriver results("BONN_IL", bench.Ini("results.ini", "[BONN_IL]\nUseExecutionResult=1\n"));
  ASSERT_EQ(m.InitDevice(0, results.id), 0u);
  bench.Instrument().Set("status", "SYSTEM_OK");
  for (const Judged& c : kExecutionResults) {
    bench.Instrument().Set("execution-result", c.reply);
    const uint32_t status = results.Event(7);
    EXPECT_EQ(status, c.status) << c.reply;
    EXPECT_EQ(results.Text(status), c.text) << c.reply;
    bench.ExpectBytes("STATUS?\nEXECUTION_RESULT?\n", c.reply);
  }
  bench.Instrument().Set("status", "STANDBY");
  bench.Instrument().Set("execution-result", "OK");
  EXPECT_EQ(results.Text(results.Event(7)), "Amplifier returned an undocumented error 'STANDBY'.");
  bench.Instrument().Set("status", "INTERLOCK_EXT");
  EXPECT_EQ(results.Event(7), 0x3000076Eu);
  bench.ExpectBytes("STATUS?\nEXECUTION_RESULT?\nSTATUS?\n");
}

INSTANTIATE_TEST_SUITE_P(Wires, BonnStatusMonitor, testing::Values(Wire::kTcp, Wire::kSerial),
                         [](const testing::TestParamInfo<Wire>& info) { return std::string(WireName(info.param)); });

TEST(BonnBandSwitch, RemoteStatusResetServiceRequestBandsAndInterlockRequest) {
  InstrumentBench bench(Wire::kTcp, {{"family", "amplifier"}, {"model", "bonn"}, {"sre", "32"}});
  auto amplifier = [&](auto f) { return bench.Instrument().Access<sim::Amplifier>(f); };
  ModuleDriver driver("BONN_BAS", bench.Ini("bas.ini", "[ChannelSelection]\nSelectedBefore=BAND=B1/ANT1\n"
                                                       "SelectedAfter=BAND=DIR/LOAD\n"));
  swm::Module& m = driver.m;
  ASSERT_EQ(m.CheckDevice(0, driver.id), 0u);
  bench.ExpectCommands((std::vector<std::string>{"*IDN?", "REMOTE", "LOCAL"}));
  bench.Instrument().Set("idn", "ACME,AMPLIFIER,1,1.0");
  EXPECT_EQ(m.CheckDevice(0, driver.id), kMismatch);
  bench.ExpectCommands((std::vector<std::string>{"*IDN?", "REMOTE", "LOCAL"}));

  ASSERT_EQ(m.InitDevice(0, driver.id), 0u);
  bench.ExpectCommands((std::vector<std::string>{"REMOTE", "STATUS?", "STATUS?", "*SRE?", "*SRE 0", "STATUS?"}));
  EXPECT_TRUE(amplifier([](sim::Amplifier& a) { return a.Remote(); }));
  EXPECT_EQ(amplifier([](sim::Amplifier& a) { return a.ServiceRequestEnableValue(); }), 0);

  EXPECT_EQ(driver.Event(3), 0u);
  bench.ExpectBytes("BAND=B1/ANT1\n");
  EXPECT_EQ(amplifier([](sim::Amplifier& a) { return a.Band(); }), "B1/ANT1");
  EXPECT_EQ(driver.Event(2), 0u);
  bench.ExpectBytes("BAND=DIR/LOAD\n");
  EXPECT_EQ(amplifier([](sim::Amplifier& a) { return a.Band(); }), "DIR/LOAD");
  EXPECT_EQ(driver.Event(7), 0u);
  bench.ExpectBytes("");

  uint32_t answer = 7;
  EXPECT_EQ(driver.Request(1, &answer), 0u);
  EXPECT_EQ(answer, 1u);
  for (const char* fault : {"PS1 FAIL", "LATCH TIMEOUT"}) {
    bench.Instrument().Set("status", fault);
    const uint32_t status = driver.Request(1, &answer);
    EXPECT_EQ(status, 0x3000B928u);
    EXPECT_EQ(answer, 0u);
    EXPECT_EQ(driver.Text(status), fault);
  }
  bench.Instrument().Set("status", "WARMING UP");
  EXPECT_EQ(driver.Request(1, &answer), 0u);
  EXPECT_EQ(answer, 1u);
  bench.ExpectBytes("STATUS?\nSTATUS?\nSTATUS?\nSTATUS?\n");

  ASSERT_EQ(m.DeInitDevice(0, driver.id), 0u);
  bench.ExpectCommands(std::vector<std::string>{"LOCAL"});
  EXPECT_FALSE(amplifier([](sim::Amplifier& a) { return a.Remote(); }));

  // A failing status is answered with a reset; the service request enable is already clear.
  bench.Instrument().Set("status", "SW FAIL");
  ASSERT_EQ(m.InitDevice(0, driver.id), 0u);
  bench.ExpectCommands((std::vector<std::string>{"REMOTE", "STATUS?", "*RST", "STATUS?", "STATUS?", "*SRE?", "STATUS?"}));
  EXPECT_EQ(amplifier([](sim::Amplifier& a) { return a.Resets(); }), 1);

  // An empty selection still sends its (empty) command.
  ModuleDriver empty("BONN_BAS", bench.Ini("empty.ini", ""));
  ASSERT_EQ(m.InitDevice(0, empty.id), 0u);
  bench.TakeBytes();
  EXPECT_EQ(empty.Event(3), 0u);
  bench.ExpectBytes("\n");
}

TEST(BonnBandSwitchOnGpib, SwitchesLowAndHighBandAndChecksTheIdentification) {
  InstrumentBench bench(Wire::kGpib, {{"family", "amplifier"}, {"model", "bonn"}});
  auto band = [&] { return bench.Instrument().Access<sim::Amplifier>([](sim::Amplifier& a) { return a.Band(); }); };
  ModuleDriver driver("BONNBAS", bench.Ini("bas.ini", "[BonnBas]\nDuring=1\nAfter=2\n"));
  swm::Module& m = driver.m;
  ASSERT_EQ(m.CheckDevice(0, driver.id), 0u) << driver.Text(m.CheckDevice(0, driver.id));
  bench.ExpectCommands(std::vector<std::string>{"*IDN?"});
  bench.Instrument().Set("idn", "ACME,AMPLIFIER,1,1.0");
  EXPECT_EQ(m.CheckDevice(0, driver.id), 0x300000CEu);
  bench.TakeCommands();

  ASSERT_EQ(m.InitDevice(0, driver.id), 0u);
  EXPECT_EQ(driver.Event(3), 0u);
  bench.ExpectBytes("SW01_1\n");
  EXPECT_EQ(band(), "low");
  EXPECT_EQ(driver.Event(2), 0u);
  bench.ExpectBytes("SW01_2\n");
  EXPECT_EQ(band(), "high");
  EXPECT_EQ(driver.Event(7), 0u);
  bench.ExpectBytes("");
  ASSERT_EQ(m.DeInitDevice(0, driver.id), 0u);

  ModuleDriver still("BONNBAS", bench.Ini("still.ini", "[BonnBas]\nDuring=0\nAfter=0\n"));
  ASSERT_EQ(m.InitDevice(0, still.id), 0u);
  EXPECT_EQ(still.Event(3), 0u);
  EXPECT_EQ(still.Event(2), 0u);
  bench.ExpectBytes("");
}
