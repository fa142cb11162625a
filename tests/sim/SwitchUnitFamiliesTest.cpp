// The keys of the amplifier, Teseq, Comtest and OSP families: each bad
// value is refused with its reason, and the frame's handling of channel
// lists it does not have (the end-to-end tests drive the families through
// the module's drivers).
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "sim/core/FamilyRegistry.h"
#include "sim/osp/OspFrame.h"

TEST(SwitchUnitFamilies, BadKeysAreRefusedWithTheirReason) {
  struct Case {
    const char* family;
    const char* key;
    const char* value;
    const char* error;  // the start of the error text; empty when the key is taken
  };
  const Case cases[] = {
      {"amplifier", "model", "bonn", ""},
      {"amplifier", "model", "toaster", "model needs bba100 or bonn"},
      {"amplifier", "interlock-group3", "OPEN", ""},
      {"amplifier", "interlock-group4", "OPEN", "unknown key 'interlock-group4'"},
      {"amplifier", "interlock-device", "open", "interlock-device needs four capital letters"},
      {"amplifier", "status", "PS1 FAIL\\r", ""},
      {"amplifier", "sre", "256", "sre needs 0 to 255"},
      {"teseq", "outputs", "6,6,4,-,2,6,6,6,6,6", ""},
      {"teseq", "outputs", "6,6,6", "outputs needs ten comma-separated fields"},
      {"teseq", "outputs", "6,6,6,6,6,6,6,6,6,0", "an output count is 1 to 9 or '-'"},
      {"teseq", "model", "rfb3000", "model needs rfb6000 or rfb2000"},
      {"comtest", "idn", "x", "unknown key 'idn' for family comtest"},
      {"osp", "module-a12", "B131", ""},
      {"osp", "module-m01", "B131", "the osp120 frame has no module place M01"},
      {"osp", "module-a11", "B999", "unknown module type 'B999'"},
      {"osp", "frame", "100", "frame needs 0 to 99"},
  };
  for (const Case& c : cases) {
    std::unique_ptr<sim::InstrumentFamily> family = sim::CreateFamily(c.family);
    ASSERT_NE(family, nullptr) << c.family;
    const std::string error = family->Configure(c.key, c.value);
    EXPECT_EQ(error.substr(0, std::string(c.error).size()), c.error) << c.family << " " << c.key << "=" << c.value;
    EXPECT_EQ(error.empty(), std::string(c.error).empty()) << error;
  }
}

TEST(SwitchUnitFamilies, TheFrameClosesOnlyChannelsItsModulesHave) {
  sim::OspFrame frame;
  ASSERT_EQ(frame.Configure("model", "osp230"), "");
  ASSERT_EQ(frame.Configure("module-m07", "B104"), "");
  EXPECT_EQ(frame.Configure("module-m08", "B104"), "the osp230 frame has no module place M08");
  for (const char* command : {"ROUTE:CLOSE (@F01M07(0404))", "ROUTE:CLOSE (@F01M07(0504))", "ROUTE:CLOSE (@F01M07(0405))",
                              "ROUTE:CLOSE (@F02M07(0101))", "ROUTE:CLOSE (@F01M06(0101))", "ROUTE:CLOSE (@F01M07(0101)",
                              "ROUTE:CLOSE (@F01M07(0102))"})
    EXPECT_EQ(frame.Handle(command), std::nullopt) << command;
  EXPECT_EQ(frame.Closed(), (std::vector<std::string>{"M07(0404)", "M07(0102)"}));
  EXPECT_EQ(frame.Channel("M07", 4), 4);
  EXPECT_EQ(frame.Channel("M07", 1), 2);
  EXPECT_EQ(frame.Rejected(), 5);
  EXPECT_EQ(frame.Handle("SYST:ERR?"), "-222,\"Data out of range\"");
  EXPECT_EQ(frame.Handle("*CLS"), std::nullopt);
  EXPECT_EQ(frame.Handle("SYST:ERR?"), "0,\"No error\"");
  EXPECT_EQ(frame.State()["modules"]["M07"]["closed"]["4"], 4);
}
