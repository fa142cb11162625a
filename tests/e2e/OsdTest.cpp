// The on-screen display driven through the module's exports against a
// simulated display unit over TCP: the screen after a sequence of frequency,
// level, field, polarisation and dwell events, the commands of one text
// update, the motion detector paused outside the dwell time, a device error
// with its text.
#include <gtest/gtest.h>

#include <algorithm>
#include <regex>

#include "InstrumentBench.h"
#include "sim/osd/OsdUnit.h"

namespace {
std::vector<std::string> Screen(sim::Instrument& unit) {
  return unit.Access<sim::OsdUnit>([](sim::OsdUnit& osd) {
    std::vector<std::string> rows;
    for (int y = 0; y <= 12; ++y) rows.push_back(osd.Row(y));
    return rows;
  });
}

bool DetectorPaused(sim::Instrument& unit) {
  return unit.Access<sim::OsdUnit>([](sim::OsdUnit& osd) { return osd.DetectorPaused(); });
}
}  // namespace

TEST(OsdE2e, ScreenAfterTestEventsDetectorAndErrors) {
  InstrumentBench bench(Wire::kTcp, {{"family", "osd"}, {"camera", "7"}});
  sim::Instrument& unit = bench.Instrument();
  ModuleDriver driver("MKMESSTECHNIK_OSD",
                      bench.Ini("osd.ini",
                                "[MKMESSTECHNIK_OSD]\nCameraID=7\nPauseDetectionOutOfDwellTime=1\nResumeAction=3\n"
                                "[MKMESSTECHNIK_OSD_TEXT_2]\nColorForeGround=3\nColorBackGround=2\nFontSize=2\n"
                                "[MKMESSTECHNIK_OSD_TEXT_7]\nTextString=Dwell __dwelltime__ at __freqkHz__ kHz\n"
                                "[MKMESSTECHNIK_OSD_TEXT_8]\nTextString=\n"));
  swm::Module& m = driver.m;
  const uint16_t id = driver.id;
  ASSERT_EQ(m.InitDevice(0, id), 0u);
  EXPECT_EQ(unit.ReceivedCommands(), (std::vector<std::string>{"OSD:CLR 255 7", "MDX:PAUSE"}));
  EXPECT_TRUE(DetectorPaused(unit));

  for (auto [event, value] : std::initializer_list<std::pair<uint32_t, double>>{
           {SWM_EVENT_TestStarted, 0}, {SWM_EVENT_FrequencyChanged, 1000}, {SWM_EVENT_CarrierLevelChanged, -10.5},
           {SWM_EVENT_AverageFieldMeasured, 3.14159}, {SWM_EVENT_FieldSensorMeasured, 2.5},
           {SWM_EVENT_AntennaPolarisationChanged, 1}})
    ASSERT_EQ(driver.Event(event, value), 0u) << event;
  EXPECT_TRUE(DetectorPaused(unit));
  ASSERT_EQ(driver.Event(SWM_EVENT_DwellTimeStarted), 0u);
  EXPECT_FALSE(DetectorPaused(unit));
  const std::vector<std::string> sent = unit.ReceivedCommands();
  EXPECT_EQ(std::count(sent.begin(), sent.end(), "MDX:RESUMEALL 3"), 1);
  EXPECT_EQ(std::count(sent.begin(), sent.end(), "MDX:PAUSE"), 1);
  EXPECT_EQ(Screen(unit)[7], "Dwell STARTED at 1000000.000 kHz");
  ASSERT_EQ(driver.Event(SWM_EVENT_DwellTimeStopped), 0u);
  EXPECT_TRUE(DetectorPaused(unit));
  unit.ResetLog();
  // Stopped twice: paused once.
  ASSERT_EQ(driver.Event(SWM_EVENT_DwellTimeStopped), 0u);
  EXPECT_TRUE(unit.ReceivedCommands().empty());

  // The frequency text loses two characters: eight blanks behind the new text first.
  ASSERT_EQ(driver.Event(SWM_EVENT_FrequencyChanged, 80), 0u);
  const std::vector<std::string> commands = unit.ReceivedCommands();
  ASSERT_GE(commands.size(), 4u);
  EXPECT_EQ(std::vector<std::string>(commands.begin(), commands.begin() + 4),
            (std::vector<std::string>{"OSD:COL 7 1 16 1", "OSD:FONT 7 1 1", "OSD:TXTABS 7 1 16 1 \"        \"",
                                      "OSD:TXTABS 7 1 0 1 \"Freq: 80.000 MHz\""}));

  const std::vector<std::string> screen = Screen(unit);
  const std::vector<std::string> expected{"",
                                          "Freq: 80.000 MHz",
                                          "Psig: -10.50000 dBm",
                                          "Pfwd:  dBm",
                                          "Prfl:  dBm",
                                          "E 1 : 2.50 V/m",
                                          "Eavg: 3.14 V/m",
                                          "Dwell STOPPED at 80000.000 kHz",
                                          "",
                                          "CalcField:   V/m",
                                          "Polarisation: HOR",
                                          ""};
  EXPECT_EQ(std::vector<std::string>(screen.begin(), screen.begin() + 12), expected);
  EXPECT_TRUE(std::regex_match(screen[12], std::regex("[0-9]{2}\\.[0-9]{2}\\.20[0-9]{2}   [0-9]{2}:[0-9]{2}:[0-9]{2}")))
      << screen[12];
  unit.Access<sim::OsdUnit>([](sim::OsdUnit& osd) {
    const sim::OsdUnit::Item& psig = osd.Items().at(2);
    EXPECT_EQ(psig.text, "Psig: -10.50000 dBm");
    EXPECT_EQ(psig.foreground, 3);
    EXPECT_EQ(psig.background, 2);
    EXPECT_EQ(psig.font, 2);
    EXPECT_EQ(osd.At(0, 2).foreground, 3);
    EXPECT_EQ(osd.At(0, 12).foreground, 16);  // the date: white, drawn with the code one below
    return 0;
  });

  // A device error of the unit, with its text.
  ASSERT_EQ(unit.Set("error", "OSD:FONT -> 7"), "");
  const uint32_t error = driver.Event(SWM_EVENT_CarrierLevelChanged, 0);
  EXPECT_EQ(error, 0x30007D07u);
  EXPECT_EQ(m.ErrorText(id, error),
            "Device returned Error code: 7\nPlease check the manual of your device to determine the exact cause.");
  ASSERT_EQ(unit.Set("error", "none"), "");
  ASSERT_EQ(m.DeInitDevice(0, id), 0u);
  EXPECT_EQ(unit.ReceivedCommands().back(), "OSD:CLR 255 7");
  EXPECT_EQ(Screen(unit)[1], "");
  // No connection: the screen cannot show the new frequency, and the event says so.
  const uint32_t closed = driver.Event(SWM_EVENT_FrequencyChanged, 90);
  EXPECT_EQ(closed, 0x30001F41u);
  EXPECT_EQ(m.ErrorText(id, closed).rfind("The device is not connected: ", 0), 0u) << m.ErrorText(id, closed);
}
