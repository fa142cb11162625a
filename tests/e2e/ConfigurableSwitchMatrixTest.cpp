// The Wattex switch (a configurable switch matrix) driven through the
// module's exports against the simulator's programmable instrument: the
// exact bytes of typed commands with escapes, splitters and placeholders,
// the command lists, the answers it reads, statuses and texts, and how a
// command list is saved.
#include <gtest/gtest.h>

#include <chrono>

#include "InstrumentBench.h"

namespace {
using Clock = std::chrono::steady_clock;
constexpr auto kWait = std::chrono::seconds(10);

// The simulator with one programmable instrument, and a driver loaded from
// the INI file that points it at the instrument.
class Bench {
public:
  Bench(Wire wire, sim::Simulator::Keys keys, const std::string& tables)
      : bench_(wire, WithFamily(std::move(keys))),
        device_(&bench_.Instrument()),
        driver_("KOVALEXWTXSWITCH",
                bench_.Write("wattex.ini", bench_.StreamSections("SwitchMatrix") +
                                               (wire == Wire::kSerial ? "SendTermination=3\n" : "") + tables)) {}

  std::string File(const std::string& name) const { return bench_.File(name); }
  uint32_t Event(uint32_t event, double value) { return driver_.Event(event, value); }
  uint32_t EventWithoutValue(uint32_t event) { return m_.SetValue(0, id_, 1500, &event, nullptr); }
  // Every byte received since the last call, once at least `count` have come.
  std::string TakeBytes(size_t count) {
    device_->WaitForBytes(taken_ + count, kWait);
    const std::string all = device_->ReceivedBytes();
    std::string fresh = all.substr(std::min(taken_, all.size()));
    taken_ = all.size();
    return fresh;
  }
  // Expects exactly these bytes next.
  void ExpectBytes(const std::string& bytes) { EXPECT_EQ(TakeBytes(bytes.size()), bytes); }

  InstrumentBench bench_;
  sim::Instrument* device_;
  ModuleDriver driver_;
  swm::Module& m_ = driver_.m;
  uint16_t id_ = driver_.id;
  size_t taken_ = 0;

private:
  static sim::Simulator::Keys WithFamily(sim::Simulator::Keys keys) {
    keys.emplace_back("family", "programmable");
    return keys;
  }
};

const char* kTables =
    "[SwitchMatrix.ConfigurableDeviceDriverBase]\n"
    "GetID=*IDN?\n"
    "ReturnedID=SWMSIM,WATTEX\n"
    "Init=SYST:REM\\tON\n"
    "DeInit=SYST:LOC\\x21\n"
    "SplitterString=;\n"
    "TimeOutTimeSeconds=2\n"
    "[SwitchMatrix]\n"
    "DuringTest=PATH A1\n"
    "DuringTest2=PATH B__freqMHz__\n"
    "DuringTest3=\n"
    "DuringTest4=NEVER\n"
    "AfterTest=PATH:RESET\\r\n"
    "AfterTest2=PATH C__freqGHz__\n"
    "onTestStarted=TEST __freq__\n"
    "onFrequencyChanged=FREQ __freqMHz__;AMPL __carrierdBm__\n"
    "onForwardPowerMeasured=E __calc_electrical_field__ R __result__\n"
    "onMeasuringForwardPower=MEAS __resultW__\n"
    "onAntennaMovementStarted=H __heightcm__\n"
    "onAntennaMovementStopped=STOP\n"
    "onAntennaTowerChanged=MOVED __height__\n"
    "onTurntableMovementStopped=TURNED __degree__\n"
    "onTurntableChanged=ANGLE __radian__\n"
    "[CalculatedElectricalField]\n"
    "ForwardPowerCorrection=0\n";

sim::Simulator::Keys WattexAnswers() {
  return {{"answer", "*IDN? -> SWMSIM,WATTEX,0,1.0"}, {"answer-re", "^FREQ .* -> OK"}, {"answer-re", "^MEAS .* -> DONE"}};
}
}  // namespace

TEST(ConfigurableSwitchMatrixE2e, SendsTypedCommandsWithEscapesSplittersListsAndPlaceholders) {
  Bench bench(Wire::kTcp, WattexAnswers(), kTables);

  ASSERT_EQ(bench.m_.CheckDevice(0, bench.id_), DRV_OK);
  bench.ExpectBytes("*IDN?\n");
  ASSERT_EQ(bench.m_.InitDevice(0, bench.id_), DRV_OK);
  // The init command with its tab, then the test-start command sent unchanged.
  bench.ExpectBytes("SYST:REM\tON\nTEST __freq__\n");

  ASSERT_EQ(bench.Event(3, 0), DRV_OK);
  // The list ends at its first empty element; no frequency is known yet.
  bench.ExpectBytes("PATH A1\nPATH B__freqMHz__\n");

  // Two parts, each at least 100 ms apart; the switch's answer to FREQ is
  // awaited and dropped (it comes 300 ms late).
  bench.device_->Set("fault", "late 300");
  auto started = Clock::now();
  ASSERT_EQ(bench.Event(7, 80.5), DRV_OK);
  EXPECT_GE(Clock::now() - started, std::chrono::milliseconds(300));
  bench.device_->Set("fault", "none");
  bench.ExpectBytes("FREQ 80.5\nAMPL __carrierdBm__\n");

  ASSERT_EQ(bench.Event(8, 0.0), DRV_OK);  // no command, but the carrier is now known
  ASSERT_EQ(bench.Event(23, 30.0), DRV_OK);
  bench.ExpectBytes("MEAS 1\n");
  ASSERT_EQ(bench.Event(24, 10.0), DRV_OK);
  bench.ExpectBytes("E 2489.8126098 R 10\n");

  ASSERT_EQ(bench.Event(47, 1.5), DRV_OK);
  bench.ExpectBytes("H 150\n");
  ASSERT_EQ(bench.Event(48, 1.5), DRV_OK);  // stopped where it started: no change command
  ASSERT_EQ(bench.Event(48, 2.0), DRV_OK);
  bench.ExpectBytes("STOP\nSTOP\nMOVED 2\n");
  ASSERT_EQ(bench.EventWithoutValue(52), DRV_OK);  // no value: the angle stays unknown
  ASSERT_EQ(bench.Event(52, 90.0), DRV_OK);
  bench.ExpectBytes("TURNED __degree__\nTURNED 90\nANGLE 1.570797\n");

  // Events without a command and events past 63 send nothing.
  for (uint32_t event : {9u, 10u, 40u, 64u, 85u}) EXPECT_EQ(bench.Event(event, 1.0), DRV_OK) << event;
  ASSERT_EQ(bench.Event(2, 0), DRV_OK);
  bench.ExpectBytes("PATH:RESET\r\nPATH C0.0805\n");
  ASSERT_EQ(bench.m_.DeInitDevice(0, bench.id_), DRV_OK);
  bench.ExpectBytes("SYST:LOC!\n");
}

// (Every value saved and loaded again: SettingsRoundTripTest.cpp.)
TEST(ConfigurableSwitchMatrixE2e, SavesACommandListUpToItsFirstEmptyElement) {
  Bench bench(Wire::kTcp, WattexAnswers(), kTables);
  const std::string saved = bench.File("saved.ini");
  ASSERT_EQ(bench.m_.SaveConfiguration(0, bench.id_, saved.c_str()), DRV_OK);
  const std::string text = ReadFile(saved);
  for (const char* line : {"DuringTest=PATH A1\n", "DuringTest2=PATH B__freqMHz__\n", "DuringTest3=\n", "AfterTest3=\n"})
    EXPECT_NE(text.find(line), std::string::npos) << line << " missing in\n" << text;
  // The element after the empty third one was never loaded, so it is not saved either.
  EXPECT_EQ(text.find("NEVER"), std::string::npos) << text;
}

TEST(ConfigurableSwitchMatrixE2e, ReportsAWrongIdentificationAndAnUnreachableDeviceWithTexts) {
  Bench bench(Wire::kTcp, {{"answer", "*IDN? -> SWMSIM,OTHER,0,1.0"}},
              "[SwitchMatrix.ConfigurableDeviceDriverBase]\nGetID=*IDN?\nReturnedID=WATTEX\nTimeOutTimeSeconds=1\n");
  const uint32_t mismatch = bench.m_.CheckDevice(0, bench.id_);
  EXPECT_EQ(mismatch, 0x30000096u);
  EXPECT_EQ(bench.m_.ErrorText(bench.id_, mismatch),
            "The received identification of the device (\"SWMSIM,OTHER,0,1.0\") is not matching with the expected "
            "identification (\"WATTEX\").");
  EXPECT_EQ(bench.m_.ErrorText(bench.id_, 0x30002262),
            "Timeout while waiting on a response that matches with the regular expression.");

  // The instrument stops listening: the next connection is refused.
  bench.device_->Set("fault", "refuse");
  const uint32_t unreachable = bench.m_.InitDevice(0, bench.id_);
  EXPECT_EQ(unreachable, 0x300002D3u);
  EXPECT_FALSE(bench.m_.ErrorText(bench.id_, unreachable).empty());
  EXPECT_EQ(bench.Event(9, 0), 0u) << "an event without a command needs no stream";
}

TEST(ConfigurableSwitchMatrixE2e, InitWaitsASecondAfterTheResetAndSplitPartsArePaced) {
  Bench bench(Wire::kTcp, {},
              "[SwitchMatrix.ConfigurableDeviceDriverBase]\nReset=*RST\nSplitterString=||\n"
              "[SwitchMatrix]\nonDwellTimeStarted=A||B||||C||\n");
  auto started = Clock::now();
  ASSERT_EQ(bench.m_.InitDevice(0, bench.id_), DRV_OK);
  EXPECT_GE(Clock::now() - started, std::chrono::milliseconds(1000));
  bench.ExpectBytes("*RST\n");
  started = Clock::now();
  ASSERT_EQ(bench.Event(9, 0), DRV_OK);
  EXPECT_GE(Clock::now() - started, std::chrono::milliseconds(300));
  bench.ExpectBytes("A\nB\nC\n");
}

TEST(ConfigurableSwitchMatrixE2e, OverASerialPortCommandsEndOnlyWithWhatThePortAdds) {
  Bench bench(Wire::kSerial,
              {{"read-terminator", "none"},
               {"write-terminator", "crlf"},
               {"answer", "*IDN? -> SWMSIM,WATTEX,0,1.0"},
               {"answer-re", "^FREQ .* -> OK"}},
              "[SwitchMatrix.ConfigurableDeviceDriverBase]\nGetID=*IDN?\nReturnedID=wattex\nInit=\\x02INIT\\x03\n"
              "TimeOutTimeSeconds=2\n[SwitchMatrix]\nDuringTest=P1\\n\nonFrequencyChanged=FREQ __freqkHz__\n");
  ASSERT_EQ(bench.m_.CheckDevice(0, bench.id_), DRV_OK) << bench.m_.ErrorText(bench.id_, bench.m_.CheckDevice(0, bench.id_));
  bench.ExpectBytes("*IDN?\r\n");
  ASSERT_EQ(bench.m_.InitDevice(0, bench.id_), DRV_OK);
  bench.ExpectBytes("\x02INIT\x03\r\n");
  ASSERT_EQ(bench.Event(3, 0), DRV_OK);
  bench.ExpectBytes("P1\n\r\n");  // the typed line feed, then the port's CR LF
  ASSERT_EQ(bench.Event(7, 1.25), DRV_OK);
  bench.ExpectBytes("FREQ 1250\r\n");
  ASSERT_EQ(bench.m_.DeInitDevice(0, bench.id_), DRV_OK);
}
