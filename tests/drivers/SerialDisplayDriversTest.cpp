// The texts that the relay box, the EUT controller, the Novotronik switch and
// the display build and parse: start messages, status replies, device errors,
// the display's frequency formats and placeholders.
#include <gtest/gtest.h>

#include <cmath>
#include <optional>

#include "drivers/novotronik/NovotronikBase.h"
#include "drivers/osd/OSDAnswer.h"
#include "drivers/osd/OSDValueTable.h"
#include "drivers/stribel/Stribel.h"
#include "drivers/zevo/ZevoSwt.h"

namespace novotronik = Kovalex::devicedrivers::NOVOTRONIK;
namespace osd = Kovalex::devicedrivers::MKMESSTECHNIK_OSD;

TEST(SerialDisplayDrivers, StartMessagesUseCFormatting) {
  struct Case {
    stribel::TestSignal signal;
    const char* message;
  };
  const Case cases[] = {
      {{1.0, 0, false, 0, 0, 0}, "START:1MHZ,0VM,CARRIER\r"},
      {{0.15, -3, false, 1, 1000, 80}, "START:0.15MHZ,-3VM,CARRIER\r"},
      {{80, 11, true, 1, 1000, 80}, "START:80MHZ,11VM,AM,1000HZ,80%\r"},
      {{123456789.0, 2147483647, true, 1, 0.0001, 99.5}, "START:1.23457e+08MHZ,2147483647VM,AM,0.0001HZ,99.5%\r"},
      {{6000, 200, true, 5, 1e6, 75000}, "START:6000MHZ,200VM,FM,1e+06HZ,75000HZ\r"},
      // The modulation type counts as an integer, its fraction dropped.
      {{6000, 200, true, 5.5, 1e6, 75000}, "START:6000MHZ,200VM,FM,1e+06HZ,75000HZ\r"},
      {{80, 11, true, 1.999, 1000, 80}, "START:80MHZ,11VM,AM,1000HZ,80%\r"},
      {{80, 11, true, 0.999, 1000, 80}, ""},
      {{80, 11, true, std::nan(""), 1000, 80}, ""},
      {{6000, 200, true, 2, 1e6, 75000}, ""},
  };
  for (const Case& c : cases) EXPECT_EQ(stribel::StartMessage(c.signal), c.message);
}

TEST(SerialDisplayDrivers, AnswersAndStatusRepliesAreRead) {
  struct Controller {
    const char* answer;
    Status status;
    int32_t number;
  };
  for (const Controller& c : std::initializer_list<Controller>{{"OK\r\n", 0, 0},
                                                               {"ERROR OK", 0, 0},
                                                               {"ERROR 7\r\n", stribel::kControllerError, 7},
                                                               {"ERROR   -12", stribel::kControllerError, -12},
                                                               {"xERROR+3", stribel::kControllerError, 3},
                                                               {"ERROR ERROR 5", stribel::kControllerError, 5},
                                                               {"ERROR", stribel::kControllerError, 0},
                                                               {"ERROR 99999999999", stribel::kControllerError, 2147483647},
                                                               {"BUSY", stribel::kInvalidResponse, 0},
                                                               {"", stribel::kInvalidResponse, 0}}) {
    const stribel::Evaluation e = stribel::EvaluateAnswer(c.answer);
    EXPECT_EQ(e.status, c.status) << c.answer;
    EXPECT_EQ(e.errorNumber, c.number) << c.answer;
  }
  struct Reply {
    const char* text;
    int switchNumber;
    std::optional<int> pole;
  };
  for (const Reply& r : std::initializer_list<Reply>{{"S01P00 S02P03 S08P05", 2, 3},
                                                     {"S01P00 S02P03 S08P05", 8, 5},
                                                     {"\x02S01P07 S11P02\x03", 1, 7},
                                                     {"S01P S01P4", 1, 4},
                                                     {"S1P4", 1, std::nullopt},
                                                     {"S03P99999999999", 3, std::nullopt},
                                                     {"S12P01", 12, 1}})
    EXPECT_EQ(novotronik::PoleInStatus(r.text, r.switchNumber), r.pole) << r.text;
  EXPECT_EQ(novotronik::SetCommand(8, 5), "SES08P05");
  EXPECT_EQ(novotronik::Frame(novotronik::Framing::kSerial, "STS", "\r\n"), "\x02STS\x03");
  EXPECT_EQ(novotronik::Frame(novotronik::Framing::kNetwork, "STS", "\r\n"), "STS\r\n");
  EXPECT_EQ(novotronik::Frame(novotronik::Framing::kOther, "STS", "\r\n"), "STS\n");

  EXPECT_EQ(ZevoSwt::StatusByte({zevo::On, zevo::Off, zevo::Off, zevo::On}), 0x09);
  EXPECT_TRUE(ZevoSwt::EchoMatches(0x09, 0xF9));
  EXPECT_FALSE(ZevoSwt::EchoMatches(0x09, 0x0B));

  long number = -1;
  EXPECT_TRUE(osd::DeviceErrorInAnswer("ERR 7\r\n", &number));
  EXPECT_EQ(number, 7);
  EXPECT_TRUE(osd::DeviceErrorInAnswer("ERROR: 255", &number));
  EXPECT_EQ(number, 255);
  EXPECT_FALSE(osd::DeviceErrorInAnswer("ERR 256", &number));
  EXPECT_FALSE(osd::DeviceErrorInAnswer("OK", &number));
}

TEST(SerialDisplayDrivers, DisplayFormatsAndSubstitutesTheLiveValues) {
  osd::OSDValueTable table;
  // The frequency (MHz) in the five units.
  EXPECT_TRUE(table.Apply(SWM_EVENT_FrequencyChanged, 1234.567891));
  EXPECT_EQ(table.Substitute("__freq__|__freqHz__|__freqkHz__|__freqMHz__|__freqGHz__"),
            "1234.568|1234567891|1234567.891|1234.567891|1.234568");
  EXPECT_FALSE(table.Apply(SWM_EVENT_FrequencyChanged, 1234.567891));  // nothing new
  EXPECT_TRUE(table.Apply(SWM_EVENT_CarrierLevelChanged, -3.25));
  EXPECT_TRUE(table.Apply(SWM_EVENT_CalculatedField, 10));
  EXPECT_TRUE(table.Apply(SWM_EVENT_TurnTableMovementStopped, 359.96));
  EXPECT_TRUE(table.Apply(SWM_EVENT_AntennaMovementChangingPolarisation, 0));
  EXPECT_EQ(table.Substitute("__carrier__ __calcfield__ __angle__ __polarization__ __unknown__ ___freq__ __x1__"),
            "-3.25000 10.00 360.0 --- __unknown__ _1234.568 __x1__");
  EXPECT_TRUE(table.Apply(SWM_EVENT_AntennaPolarisationChanged, 1));
  EXPECT_EQ(table.Substitute("__polarisation__/__polarization__"), "HOR/HOR");
  EXPECT_FALSE(table.Apply(SWM_EVENT_ModulationSpecificParameter, 80));
  EXPECT_TRUE(table.Apply(SWM_EVENT_ModulationType, 2));
  EXPECT_TRUE(table.Apply(SWM_EVENT_ModulationFrequency, 1000));
  EXPECT_TRUE(table.Apply(SWM_EVENT_ModulationOn, 0));
  EXPECT_EQ(table.Substitute("__modulationtype__;__modulationfreq__;__modulation__"), "AM Ext.;1.000 kHz 80;ON");
  EXPECT_TRUE(table.SetFromText("  Operator = Smith_2 "));
  EXPECT_FALSE(table.SetFromText("= nothing"));
  EXPECT_EQ(table.Substitute("__Operator__ Operator"), "__Operator__ Operator");
  ASSERT_NE(table.Find("Operator"), nullptr);
  EXPECT_EQ(*table.Find("Operator"), "Smith_2");
  // The start and the end of a test empty every value, also those never filled.
  EXPECT_TRUE(table.Apply(SWM_EVENT_TestStarted, 0));
  EXPECT_EQ(table.Substitute("[__freq__][__fwdpower__][__dwelltime__]"), "[][][]");
  EXPECT_FALSE(table.Apply(SWM_EVENT_TestStopped, 0));
}
