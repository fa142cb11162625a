// The Stribel EUT controller driven through the module's exports against a
// simulated controller on a pseudo-terminal: the exact messages on the line
// for carrier, AM and FM, and the answers OK, ERROR n, garbage and silence.
#include <gtest/gtest.h>

#include <chrono>

#include "InstrumentBench.h"
#include "sim/stribel/StribelController.h"

namespace {
std::vector<std::string> StartTexts(sim::Instrument& unit) {
  return unit.Access<sim::StribelController>([](sim::StribelController& c) {
    std::vector<std::string> texts;
    for (const auto& start : c.Starts()) texts.push_back(start.text + (start.valid ? "" : " (unreadable)"));
    return texts;
  });
}

// DwellTimeStartOk, then, once the controller has the message, DwellTimeStopOk
// until its answer has arrived (at most five seconds); the status of the latter.
uint32_t StartAndStop(sim::Instrument& unit, ModuleDriver& driver) {
  const size_t before = unit.CommandCount();
  uint32_t answer = 0;
  EXPECT_EQ(driver.Request(SWM_REQUEST_DwellTimeStartOk, &answer), 0u);
  EXPECT_EQ(answer, 1u);
  EXPECT_TRUE(unit.WaitForCommands(before + 1, std::chrono::seconds(5)));
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  uint32_t status = 0;
  do {
    status = driver.Request(SWM_REQUEST_DwellTimeStopOk, &answer);
  } while (answer == 0 && std::chrono::steady_clock::now() < end);
  EXPECT_EQ(answer, 1u);
  return status;
}
}  // namespace

TEST(StribelE2e, StartMessagesAndAnswers) {
  InstrumentBench bench(Wire::kSerial,
                        {{"family", "stribel"}, {"read-terminator", "cr"}, {"write-terminator", "crlf"}});
  sim::Instrument& unit = bench.Instrument();
  ModuleDriver driver("STRIBEL", bench.Write("stribel.ini", LegacySerialSection() + "[Stribel]\nFieldType=0\n"));
  swm::Module& m = driver.m;
  const uint16_t id = driver.id;

  ASSERT_EQ(m.CheckDevice(0, id), 0u);
  EXPECT_EQ(unit.ReceivedBytes(), "INIT\r");
  ASSERT_EQ(m.InitDevice(0, id), 0u);

  // Measured field: the average field rounded up, the calculated field ignored.
  EXPECT_EQ(driver.Event(SWM_EVENT_FrequencyChanged, 0.0), 0u);  // reported as 1 MHz
  EXPECT_EQ(driver.Event(SWM_EVENT_AverageFieldMeasured, 10.2), 0u);
  EXPECT_EQ(driver.Event(SWM_EVENT_CalculatedField, 30.0), 0u);
  EXPECT_EQ(StartAndStop(unit, driver), 0u);

  EXPECT_EQ(driver.Event(SWM_EVENT_FrequencyChanged, 80.5), 0u);
  EXPECT_EQ(driver.Event(SWM_EVENT_ModulationType, 1), 0u);
  EXPECT_EQ(driver.Event(SWM_EVENT_ModulationFrequency, 1000), 0u);
  EXPECT_EQ(driver.Event(SWM_EVENT_ModulationSpecificParameter, 80), 0u);
  EXPECT_EQ(driver.Event(SWM_EVENT_ModulationOn), 0u);
  EXPECT_EQ(StartAndStop(unit, driver), 0u);

  EXPECT_EQ(driver.Event(SWM_EVENT_FrequencyChanged, 1000), 0u);
  EXPECT_EQ(driver.Event(SWM_EVENT_ModulationType, 5), 0u);
  EXPECT_EQ(driver.Event(SWM_EVENT_ModulationFrequency, 1234.5), 0u);
  EXPECT_EQ(driver.Event(SWM_EVENT_ModulationSpecificParameter, 1e6), 0u);
  EXPECT_EQ(StartAndStop(unit, driver), 0u);

  // Another modulation type sends nothing; modulation off is a carrier again.
  EXPECT_EQ(driver.Event(SWM_EVENT_ModulationType, 2), 0u);
  uint32_t answer = 0;
  EXPECT_EQ(driver.Request(SWM_REQUEST_DwellTimeStartOk, &answer), 0u);
  EXPECT_EQ(answer, 1u);
  EXPECT_EQ(driver.Event(SWM_EVENT_ModulationOff), 0u);
  EXPECT_EQ(StartAndStop(unit, driver), 0u);
  EXPECT_EQ(StartTexts(unit), (std::vector<std::string>{"START:1MHZ,11VM,CARRIER", "START:80.5MHZ,11VM,AM,1000HZ,80%",
                                                        "START:1000MHZ,11VM,FM,1234.5HZ,1e+06HZ",
                                                        "START:1000MHZ,11VM,CARRIER"}));
  EXPECT_TRUE(unit.ReceivedBytes().ends_with("START:80.5MHZ,11VM,AM,1000HZ,80%\rSTART:1000MHZ,11VM,FM,1234.5HZ,1e+06HZ\r"
                                             "START:1000MHZ,11VM,CARRIER\r"))
      << unit.ReceivedBytes();

  // Negative and unreadable answers, at the end of the test and at a dwell stop.
  ASSERT_EQ(unit.Set("answer", "error 7"), "");
  uint32_t status = driver.Event(SWM_EVENT_TestStopped);
  EXPECT_EQ(status, 0x30000515u);
  EXPECT_EQ(m.ErrorText(id, status), "EUT Controller returned error code: 7");
  EXPECT_TRUE(unit.ReceivedBytes().ends_with("ENDE\r"));
  ASSERT_EQ(unit.Set("answer", "error -12"), "");
  EXPECT_EQ(StartAndStop(unit, driver), 0x30000515u);
  EXPECT_EQ(m.ErrorText(id, 0x30000515u), "EUT Controller returned error code: -12");
  ASSERT_EQ(unit.Set("answer", "raw BUSY"), "");
  EXPECT_EQ(StartAndStop(unit, driver), 0x30000516u);
  EXPECT_EQ(m.ErrorText(id, 0x30000516u), "EUT Controller returned an invalid response");
  EXPECT_EQ(m.DeInitDevice(0, id), 0u);

  // A silent controller: the check gives up after its five seconds and a half.
  ASSERT_EQ(unit.Set("answer", "silent"), "");
  EXPECT_EQ(m.CheckDevice(0, id), 0x300000CEu);
}
