// The Teseq RFB 6000 and RFB 2000 switch units through the module's exports
// against the simulated unit on a serial port (the RFB 6000 also through
// VISA): the commands of events 3 and
// 2 and the slots' resulting outputs, the slot checks with their complaint
// texts (a slot with fewer outputs, an empty slot, a unit without ten
// slots), identification, and settings out of range from a hand-edited
// file.
#include <gtest/gtest.h>

#include "e2e/InstrumentBench.h"
#include "sim/teseq/TeseqUnit.h"

namespace {
int Position(InstrumentBench& bench, char letter) {
  return bench.Instrument().Access<sim::TeseqUnit>([&](sim::TeseqUnit& unit) { return unit.Position(letter); });
}

// Output 2 for A during the test, output 6 for C, no output for D; after
// the test output 1 for A and output 4 for B.
constexpr const char* kSlots = "[TESEQRFB6000]\nA-before=3\nC-before=7\nD-before=1\nA-after=2\nB-after=5\n";
constexpr const char* kFullUnit = "6,6,6,6,6,6,6,6,6,6";

class TeseqRFB6000E2e : public testing::TestWithParam<Wire> {};
}  // namespace

TEST_P(TeseqRFB6000E2e, SwitchesSlotsAndChecksThemAgainstTheUnit) {
  InstrumentBench bench(GetParam(), {{"family", "teseq"}, {"model", "rfb6000"}, {"outputs", kFullUnit}});
  ModuleDriver driver("TESEQ_RFB_6000_SM", bench.Ini("teseq.ini", kSlots));
  swm::Module& m = driver.m;
  ASSERT_EQ(m.CheckDevice(0, driver.id), 0u);
  bench.ExpectBytes("GET:POSARR?\n*GTL\n");

  ASSERT_EQ(m.InitDevice(0, driver.id), 0u);
  EXPECT_EQ(driver.Event(3), 0u);
  bench.ExpectBytes("SET:STATE A 2\nSET:STATE C 6\nSET:STATE D 0\n");
  EXPECT_EQ(Position(bench, 'A'), 2);
  EXPECT_EQ(Position(bench, 'C'), 6);
  EXPECT_EQ(driver.Event(7), 0u);
  EXPECT_EQ(driver.Event(2), 0u);
  bench.ExpectBytes("SET:STATE A 1\nSET:STATE B 4\n");
  EXPECT_EQ(Position(bench, 'A'), 1);
  EXPECT_EQ(Position(bench, 'B'), 4);
  EXPECT_EQ(Position(bench, 'C'), 6);
  ASSERT_EQ(m.DeInitDevice(0, driver.id), 0u);
  bench.ExpectBytes("*GTL\n");
  EXPECT_TRUE(bench.Instrument().Access<sim::TeseqUnit>([](sim::TeseqUnit& unit) { return unit.Local(); }));

  struct Case {
    const char* outputs;
    const char* reply;  // replaces the position array when set
    uint32_t status;
    const char* text;
  };
  const Case cases[] = {
      {"6,6,4,6,6,6,6,6,6,6", nullptr, 0x3000BABB,
       "Incorrect switch value selected: \nSlot C only has 4 outputs, while output 6 is selected\n"
       "Please correct the configuration and try again"},
      {"6,2,2,6,6,6,6,6,6,6", nullptr, 0x3000BABB,
       "Incorrect switch value selected: \nSlot B only has 2 outputs, while output 4 is selected"
       "\nSlot C only has 2 outputs, while output 6 is selected\nPlease correct the configuration and try again"},
      // An empty slot counts only when it is switched.
      {"6,6,6,-,6,6,6,-,-,6", nullptr, 0x3000BABA,
       "Slot D is not available, please correct the configuration and try again."},
      {"6,6,6,6,6,6,6,6,6,6", "6,6,6,6,6,6,6,6,6", 0x3000BABC, "It appears that the device does not have 10 slots"},
      {"6,6,6,6,6,6,6,6,6,6", "", 0x3000BABC, "It appears that the device does not have 10 slots"},
      {"6,6,6,6,6,6,6,6,6,6", "6,6,6,6,6,6,6,6,6,6,6", 0x3000BABC, "It appears that the device does not have 10 slots"},
      {"6,6,6,2,6,-,-,-,-,-", nullptr, 0, ""},
  };
  for (const Case& c : cases) {
    bench.Instrument().Set("outputs", c.outputs);
    bench.Instrument().Set("posarr-reply", c.reply ? c.reply : "slots");
    const uint32_t status = m.CheckDevice(0, driver.id);
    EXPECT_EQ(status, c.status) << c.outputs;
    EXPECT_EQ(driver.Text(status), c.text) << c.outputs;
    bench.ExpectBytes("GET:POSARR?\n*GTL\n");
  }

  // An expected identification is checked first.
  ModuleDriver identified("TESEQ_RFB_6000_SM", bench.Ini("idn.ini", "[Identification]\nExpectedResponse=rfb6000\n"));
  EXPECT_EQ(m.CheckDevice(0, identified.id), 0u);
  bench.ExpectBytes("*IDN?\nGET:POSARR?\n*GTL\n");
  bench.Instrument().Set("idn", "ACME,SWITCH,1,1.0");
  EXPECT_EQ(m.CheckDevice(0, identified.id), 0x30000096u);
  bench.ExpectBytes("*IDN?\n");
}

// The unit's two transports: a serial port, and the same port as a VISA resource.
INSTANTIATE_TEST_SUITE_P(Wires, TeseqRFB6000E2e, testing::Values(Wire::kSerial, Wire::kVisaSerial),
                         [](const testing::TestParamInfo<Wire>& info) { return std::string(WireName(info.param)); });

TEST(TeseqRFB2000E2e, SwitchesWithAnsweredCommandsAndAsksEverySwitchedSlot) {
  InstrumentBench bench(Wire::kSerial,
                        {{"family", "teseq"}, {"model", "rfb2000"}, {"outputs", kFullUnit}, {"terminator", "cr"}});
  ModuleDriver driver("TESEQ_RFB_2000_SM", bench.Ini("teseq.ini", "[TESEQRFB6000]\nA-before=3\nC-before=7\nB-after=5\n"));
  swm::Module& m = driver.m;
  ASSERT_EQ(m.CheckDevice(0, driver.id), 0u);
  bench.ExpectBytes("GET:POS A\rGET:POS B\rGET:POS C\r");

  ASSERT_EQ(m.InitDevice(0, driver.id), 0u);
  EXPECT_EQ(driver.Event(3), 0u);
  bench.ExpectBytes("SET:POS A_2\rSET:POS C_6\r");
  EXPECT_EQ(Position(bench, 'A'), 2);
  EXPECT_EQ(Position(bench, 'C'), 6);
  EXPECT_EQ(driver.Event(2), 0u);
  bench.ExpectBytes("SET:POS B_4\r");
  EXPECT_EQ(Position(bench, 'B'), 4);
  ASSERT_EQ(m.DeInitDevice(0, driver.id), 0u);
  bench.ExpectBytes("");

  // Slot C has 4 outputs and slot B none: three passes, each asking twice for B.
  bench.Instrument().Set("outputs", "6,-,4,6,6,6,6,6,6,6");
  const uint32_t status = m.CheckDevice(0, driver.id);
  EXPECT_EQ(status, 0x3000BABBu);
  EXPECT_EQ(driver.Text(status),
            "Incorrect switch value selected: \nSlot B did not return any possible switches"
            "\nSlot C only has 4 outputs, while output 6 is selected\nPlease correct the configuration and try again");
  std::string pass = "GET:POS A\rGET:POS B\rGET:POS B\rGET:POS C\r";
  bench.ExpectBytes(pass + pass + pass);

  // "No output" cannot be sent to this unit.
  ModuleDriver none("TESEQ_RFB_2000_SM", bench.Ini("none.ini", "[TESEQRFB6000]\nD-before=1\n"));
  ASSERT_EQ(m.InitDevice(0, none.id), 0u);
  const uint32_t refused = none.Event(3);
  EXPECT_EQ(refused, 0x3000BABBu);
  EXPECT_EQ(none.Text(refused), "Incorrect switch value selected: Port 0\nPlease correct the configuration and try again");
  bench.ExpectBytes("");
}

TEST(TeseqRFB6000E2e, SettingsOutsideTheChoicesFromAHandEditedFileLeaveTheirSlots) {
  InstrumentBench bench(Wire::kSerial, {{"family", "teseq"}, {"model", "rfb6000"}, {"outputs", kFullUnit}});
  ModuleDriver driver("TESEQ_RFB_6000_SM",
                      bench.Ini("teseq.ini", "[TESEQRFB6000]\nA-before=9\nB-before=-1\nC-before=3\nD-after=8\nE-after=7\n"));
  ASSERT_EQ(driver.m.InitDevice(0, driver.id), 0u);
  EXPECT_EQ(driver.Event(3), 0u);
  bench.ExpectBytes("SET:STATE C 2\n");
  EXPECT_EQ(driver.Event(2), 0u);
  bench.ExpectBytes("SET:STATE E 6\n");
  const std::string saved = driver.ExpectStableSave(bench, "TESEQ_RFB_6000_SM");
  for (const char* line : {"A-before=0\n", "B-before=0\n", "C-before=3\n", "D-after=0\n", "E-after=7\n"})
    EXPECT_NE(saved.find(line), std::string::npos) << line << " missing in\n" << saved;
}
