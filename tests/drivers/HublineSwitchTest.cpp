// The Hubline card driver's pure parts: device ID normalisation, device
// error parsing and numbering, and the error texts.
#include "drivers/hubline/HublineSwitch.h"

#include <gtest/gtest.h>

namespace {
// A card whose slots carry two sub-devices, for the letter rules.
class TwoSubDeviceSwitch : public HublineSwitch {
public:
  TwoSubDeviceSwitch() : HublineSwitch("TQS2PA", 2, true) {}
  int SubDevicesPerSlot() const override { return 2; }
};
}  // namespace

TEST(HublineSwitch, NormalisesTheDeviceID) {
  HublineSwitch one("TQS2PA", 2, true);
  TwoSubDeviceSwitch two;
  struct Case {
    std::string text;
    const char* single;
    const char* twoSub;
  } cases[] = {{"3", "3", "3A"},  {"12", "8", "8A"}, {"0B", "1", "1B"},     {"2 b", "2", "2B"},
               {"5z", "5", "5B"}, {"x", "1", "1A"},  {"-4", "1", "1A"},     {"", "1", "1A"},
               {" \t+2  B x", "2", "2B"},            {"2\tB", "2", "2A"}, {"-000000003b", "1", "1B"},
               // A damaged file's value of any length.
               {std::string(300000, ' ') + std::string(300000, '7') + "b", "8", "8B"}};
  for (const Case& c : cases) {
    EXPECT_EQ(one.NormalisedDeviceID(c.text), c.single) << c.text.substr(0, 20);
    EXPECT_EQ(two.NormalisedDeviceID(c.text), c.twoSub) << c.text.substr(0, 20);
  }
}

TEST(HublineSwitch, ParsesDeviceErrorsAndMapsThemToStatuses) {
  HublineSwitch card("TQS2PA", 2, true);
  struct Case {
    const char* reply;
    long number;
  } cases[] = {{"-222, \"Data out of range\"", 222}, {":E-5", -5},       {"ERROR 17", 17},
               {"ERROR_1200", 1200},                  {":SYST:ERR 3", 3}, {"\r\n :E12", 12},
               {"OK", 0},                             {"TQS2PA", 0},      {"x ERROR 4", 0},
               {"ERROR _ +7", 7},                     {":E", 0},          {":E 5", 0}};
  for (const Case& c : cases) EXPECT_EQ(card.ParseResponseForError(c.reply), c.number) << c.reply;

  EXPECT_EQ(HublineSwitch::DeviceErrorStatus(222), 0x30003B76u);
  EXPECT_EQ(HublineSwitch::DeviceErrorStatus(-5), 0x30003A93u);
  EXPECT_EQ(HublineSwitch::DeviceErrorStatus(1200), 0x300083A4u + 1200);
  long number = 0;
  EXPECT_FALSE(HublineSwitch::DeviceErrorNumber(0x30003A93, number));
  ASSERT_TRUE(HublineSwitch::DeviceErrorNumber(0x30003E7F, number));
  EXPECT_EQ(number, 999);
  ASSERT_TRUE(HublineSwitch::DeviceErrorNumber(0x300083A4 + 1200, number));
  EXPECT_EQ(number, 1200);
  EXPECT_FALSE(HublineSwitch::DeviceErrorNumber(0x3000AAB4, number));

  // Without a stream the reply's error is still mapped and marked pending once.
  EXPECT_EQ(card.CheckResponseForErrors("ERROR 7"), 0x30003A98u + 7);
  EXPECT_EQ(card.HublineErrorText(0x30003A98 + 7),
            "Device returned system error code: 7.\n"
            "Please check the manual of your device to determine the exact cause.");
  EXPECT_EQ(card.HublineErrorText(0x30003A98 + 7), "");
  EXPECT_EQ(card.CheckResponseForErrors(""), HublineSwitch::kNoResponse);
  EXPECT_EQ(card.CheckResponseForErrors("OK"), 0u);
}
