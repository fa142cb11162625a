// Every Hubline card class driven through the module's exports against a
// simulated unit, over TCP and over a serial port (a pseudo-terminal): the
// bytes of the identification and of the "during" and "after" sets, the
// relay and switch states of the unit after events 3 and 2, and a device
// error turned into a status and its text. (Every card's settings surviving
// a save and a load: SettingsRoundTripTest.cpp.)
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "InstrumentBench.h"
#include "sim/hubline/HublineUnit.h"

namespace {
struct CardCase {
  const char* name;
  const char* typeKey;
  sim::Simulator::Keys unitKeys;
  int slot;
  int centreType;
  const char* switchTables;  // the card's tables in the INI file
  std::vector<std::string> checkCommands, initCommands;
  std::vector<std::string> during, after;
  std::vector<std::string> stateDuring, stateAfter;  // the card's summary lines
  std::vector<std::string> aliveCommands;            // what the interlock request asks
  const char* errorRule;                             // "REGEX -> N" for the first "during" command
  long errorNumber;
  std::vector<std::string> errorCommands;
  const char* errorText;
};

const std::vector<std::string> kMultislotCheck{"*IDN?",          "SYSTEM:KLOCK 1", "S3:*IDN?",
                                               "SYSTEM:KLOCK 0", "S3:LOCAL",       "LOCAL"};
const std::vector<std::string> kMultislotInit{"*IDN?", "SYSTEM:KLOCK 1"};

std::vector<std::string> Repeated(const std::vector<std::string>& commands, int times) {
  std::vector<std::string> all;
  for (int i = 0; i < times; ++i) all.insert(all.end(), commands.begin(), commands.end());
  return all;
}

const std::vector<CardCase>& Cases() {
  static const std::vector<CardCase> cases = {
      {"RelayCard",
       "HUBLINE4PORT",
       {{"slot3", "relay4"}},
       3,
       0,
       "[HublineSwitch]\nRelais1Start=1\nRelais2Start=1\nRelais5Start=1\nRelais7Start=1\n"
       "Relais1Stop=2\nRelais5Stop=2\nRelais8Stop=2\n",
       kMultislotCheck,
       kMultislotInit,
       {"S3:INT_RELAY_A_NO", "S3:INT_RELAY_B_NO", "S3:EXT_RELAY_1_ACTIVE", "S3:EXT_RELAY_3_ACTIVE"},
       {"S3:INT_RELAY_A_NC", "S3:EXT_RELAY_1_IDLE", "S3:EXT_RELAY_4_IDLE"},
       {"A=NO B=NO C=NC D=NC, out 1=ACTIVE 2=IDLE 3=ACTIVE 4=IDLE"},
       {"A=NC B=NO C=NC D=NC, out 1=IDLE 2=IDLE 3=ACTIVE 4=IDLE"},
       {"S3:INT_RELAY_A?"},
       "S3:INT_RELAY_A_NO -> 17",
       17,
       Repeated({"S3:INT_RELAY_A_NO", "EXTRAINFO ERROR 17"}, 3),
       "Device returned system error code: 17.\nDescription: Relay coil open.\n"
       "Please check the manual of your device to determine the exact cause."},
      {"TwoRelayCard",
       "HUBLINE2PORT",
       {{"slot3", "relay2"}},
       3,
       0,
       "[HublineSwitch]\nRelais1Start=2\nRelais2Start=1\nRelais5Start=1\nRelais1Stop=1\n",
       kMultislotCheck,
       kMultislotInit,
       {"S3:INT_RELAY_A_NC", "S3:INT_RELAY_B_NO", "S3:EXT_RELAY_1_ACTIVE"},
       {"S3:INT_RELAY_A_NO"},
       {"A=NC B=NO, out 1=ACTIVE 2=IDLE 3=IDLE 4=IDLE"},
       {"A=NO B=NO, out 1=ACTIVE 2=IDLE 3=IDLE 4=IDLE"},
       {"S3:INT_RELAY_A?"},
       "S3:INT_RELAY_A_NC -> 17",
       17,
       Repeated({"S3:INT_RELAY_A_NC", "EXTRAINFO ERROR 17"}, 3),
       "Device returned system error code: 17.\nDescription: Relay coil open.\n"
       "Please check the manual of your device to determine the exact cause."},
      {"ExternalBoxes",
       "HUBLINE4PORTEXT",
       {{"slot3", "relay4"}, {"slot3-boxes", "2"}},
       3,
       1,
       "[HublineExternalSwitch.Internal.0]\nStart=1\nStop=2\n"
       "[HublineExternalSwitch.Internal.2]\nStart=1\n"
       "[HublineExternalSwitch.External.Box0.0]\nStart=3\n"
       "[HublineExternalSwitch.External.Box1.2]\nStart=4\nStop=6\n",
       kMultislotCheck,
       kMultislotInit,
       {"S3:INT_RELAY_A_NO", "S3:INT_RELAY_C_NO", "S3:N11RELAY_1_3", "S3:N12RELAY_3_4"},
       {"S3:INT_RELAY_A_NC", "S3:N12RELAY_3_6"},
       {"A=NO B=NC C=NO D=NC, out 1=IDLE 2=IDLE 3=IDLE 4=IDLE", "box 1: 1=3 2=0 3=0 4=0",
        "box 2: 1=0 2=0 3=4 4=0"},
       {"A=NC B=NC C=NO D=NC, out 1=IDLE 2=IDLE 3=IDLE 4=IDLE", "box 1: 1=3 2=0 3=0 4=0",
        "box 2: 1=0 2=0 3=6 4=0"},
       {"S3:INT_RELAY_A?"},
       "S3:INT_RELAY_A_NO -> 102",
       102,
       Repeated({"S3:INT_RELAY_A_NO", "EXTRAINFO ERROR 102"}, 3),
       "Device returned system error code: 102.\nDescription: No such relay on this card.\n"
       "Please check the manual of your device to determine the exact cause."},
      {"SixPositions",
       "HUBLINE6PORT",
       {{"slot3", "sixway2"}, {"slot3-boxes", "1"}, {"firmware", "3.2.0"}},
       3,
       0,
       "[HublineSwitch6Point]\nRelais2Start=5\nRelais1Stop=3\nRelais2Stop=0\n"
       "[HublineSwitch6Point.External.Box0.1]\nStart=2\n",
       kMultislotCheck,
       kMultislotInit,
       {"S3:INT_RELAY_A_1", "S3:INT_RELAY_B_5", "S3:N11RELAY_2_2"},
       {"S3:INT_RELAY_A_3"},
       {"A=1 B=5", "box 1: 1=0 2=2 3=0 4=0"},
       {"A=3 B=5", "box 1: 1=0 2=2 3=0 4=0"},
       {},  // a six-position card counts as alive without asking
       "S3:INT_RELAY_A_1 -> 222",
       222,
       Repeated({"S3:INT_RELAY_A_1"}, 3),  // firmware before 4.0.0 has no error descriptions
       "Device returned system error code: 222.\n"
       "Please check the manual of your device to determine the exact cause."},
      {"SixPositionsExtDirect",
       "ETSEMSWITCH7001-004",
       {{"unit", "single"}, {"slot1", "sixway2-ext"}, {"slot1-idn", "EMSwitch 7001-004"}},
       1,
       3,
       "[HublineSwitch6Point]\nRelais1Start=6\nRelais2Start=2\nRelais1Stop=1\nRelais2Stop=4\n",
       {"*IDN?", "LOCAL"},
       {},  // only a multislot unit is identified and locked on init
       {"EXT_RELAY_A_6", "EXT_RELAY_B_2"},
       {"EXT_RELAY_A_1", "EXT_RELAY_B_4"},
       {"A=6 B=2"},
       {"A=1 B=4"},
       {},
       "EXT_RELAY_A_6 -> 23",
       23,
       Repeated({"EXT_RELAY_A_6"}, 3),  // a directly connected device has no error descriptions
       "Device returned system error code: 23.\n"
       "Please check the manual of your device to determine the exact cause."},
  };
  return cases;
}

// The simulated unit with the case's cards, and the summary lines of its card.
sim::Simulator::Keys UnitKeys(const CardCase& c) {
  sim::Simulator::Keys keys{{"family", "hubline"}, {"error-text", "17 -> Relay coil open"}};
  keys.insert(keys.end(), c.unitKeys.begin(), c.unitKeys.end());
  return keys;
}

std::vector<std::string> CardState(sim::Instrument& hub, int slot) {
  return hub.Access<sim::HublineUnit>([&](sim::HublineUnit& unit) {
    const sim::HublineCard* card = unit.Card(slot);
    return card ? card->Summary() : std::vector<std::string>{"no card"};
  });
}

class HublineCardsE2e : public testing::TestWithParam<std::tuple<size_t, Wire>> {};
}  // namespace

TEST_P(HublineCardsE2e, SwitchesBothSetsAndReportsDeviceErrors) {
  const CardCase& c = Cases()[std::get<0>(GetParam())];
  const Wire wire = std::get<1>(GetParam());
  InstrumentBench bench(wire, UnitKeys(c));
  sim::Instrument& hub = bench.Instrument();
  ModuleDriver driver(
      c.typeKey, bench.Ini("card.ini", "[Common]\nDeviceID=" + std::to_string(c.slot) +
                                           "\nCentreType=" + std::to_string(c.centreType) + "\n" + c.switchTables));
  ASSERT_TRUE(driver.created);
  swm::Module& m = driver.m;
  const uint16_t id = driver.id;

  const uint32_t checked = m.CheckDevice(0, id);
  ASSERT_EQ(checked, 0u) << m.ErrorText(id, checked);
  EXPECT_EQ(hub.ReceivedCommands(), c.checkCommands);
  hub.ResetLog();

  ASSERT_EQ(m.InitDevice(0, id), 0u);
  EXPECT_EQ(hub.ReceivedCommands(), c.initCommands);
  hub.ResetLog();
  ASSERT_EQ(driver.Event(3), 0u);
  EXPECT_EQ(hub.ReceivedBytes(), Joined(c.during));
  EXPECT_EQ(CardState(hub, c.slot), c.stateDuring);
  hub.ResetLog();
  ASSERT_EQ(driver.Event(2), 0u);
  EXPECT_EQ(hub.ReceivedBytes(), Joined(c.after));
  EXPECT_EQ(CardState(hub, c.slot), c.stateAfter);

  // The interlock request: the card is alive.
  hub.ResetLog();
  uint32_t answer = 7;
  EXPECT_EQ(driver.Request(1, &answer), 0u);
  EXPECT_EQ(answer, 1u);
  EXPECT_EQ(hub.ReceivedCommands(), c.aliveCommands);

  // The unit drops the connection: the next event connects again, redoes what
  // InitDevice did on the connection (identification, keyboard lock) and
  // switches; the one after it only switches.
  if (wire == Wire::kTcp) {
    for (uint32_t event : {3u, 2u}) {
      hub.Hangup();
      for (int call = 1; call <= 2; ++call) {
        hub.ResetLog();
        EXPECT_EQ(driver.Event(event), 0u) << "event " << event << ", call " << call;
        std::vector<std::string> expected = call == 1 ? c.initCommands : std::vector<std::string>{};
        for (const std::string& command : event == 3 ? c.during : c.after) expected.push_back(command);
        EXPECT_EQ(hub.ReceivedCommands(), expected) << "event " << event << ", call " << call;
      }
    }
    // A driver that was never initialised has no connection to switch on.
    ModuleDriver idle(c.typeKey, bench.File("card.ini"));
    const uint32_t closed = idle.Event(3);
    EXPECT_EQ(closed, 0x300000CEu);
    EXPECT_EQ(idle.Text(closed), "The device cannot be reached or does not identify as the expected device.");
  }

  // The first "during" command fails in the unit: three attempts, nothing after it, and the
  // unit's error number in the status and its text.
  hub.Set("error-text", "102 -> No such relay on this card");
  hub.Set("device-error", c.errorRule);
  hub.ResetLog();
  const uint32_t failed = driver.Event(3);
  EXPECT_EQ(failed, static_cast<uint32_t>(0x30003A98 + c.errorNumber));
  EXPECT_EQ(hub.ReceivedCommands(), c.errorCommands);
  EXPECT_EQ(CardState(hub, c.slot), c.stateAfter);
  EXPECT_EQ(m.ErrorText(id, failed), c.errorText);
  EXPECT_EQ(m.ErrorText(id, 0x30000FBA), "Hubline did not return a response.");
  hub.Set("clear-rules", "1");
  EXPECT_EQ(m.DeInitDevice(0, id), 0u);
}

INSTANTIATE_TEST_SUITE_P(Cards, HublineCardsE2e,
                         testing::Combine(testing::Range<size_t>(0, Cases().size()),
                                          testing::Values(Wire::kTcp, Wire::kSerial)),
                         [](const testing::TestParamInfo<std::tuple<size_t, Wire>>& info) {
                           return std::string(Cases()[std::get<0>(info.param)].name) + "Over" +
                                  WireName(std::get<1>(info.param));
                         });
