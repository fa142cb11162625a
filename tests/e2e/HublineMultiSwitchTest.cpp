// A multi-switch board of three cards in different slots of one simulated
// multislot unit, configured by one INI file and driven through the module's
// exports over TCP and over one serial port shared by the cards: the relays of every card after events 3 and 2, a device
// error on one card (reported, while the other cards are still switched), and
// the INI file the board saves, loaded again.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>

#include "InstrumentBench.h"
#include "sim/hubline/HublineUnit.h"

namespace {
// The card's own settings inside the board's table "Relais<i>".
std::string CardSections(const InstrumentBench& bench, int index, const std::string& type, int slot,
                         const std::string& table, const std::string& relays) {
  const std::string prefix = "MultiSwitch.Relais" + std::to_string(index);
  return "[" + prefix + "]\nDeviceType=" + type + "\n[" + prefix + ".Common]\nDeviceID=" + std::to_string(slot) +
         "\nCentreType=0\n" + bench.StreamSections(prefix) + "[" + prefix + "." + table + "]\n" + relays;
}

// The unit with its three cards, and a board driver loaded from a file of
// four stored boards; the second is of a type the module does not know and is skipped.
struct Bench {
  InstrumentBench bench;
  sim::Instrument* hub;
  ModuleDriver board;

  explicit Bench(Wire wire, sim::Simulator::Keys extra = {})
      : bench(wire, UnitKeys(extra)), hub(&bench.Instrument()), board("HUBLINEMULTISWITCH", BoardIni(bench)) {}
  static std::string BoardIni(const InstrumentBench& bench) {
    return bench.Write(
        "board.ini",
        "[MultiSwitch]\nCount=4\n" +
            CardSections(bench, 0, "TQS2PA", 2, "HublineSwitch",
                         "Relais1Start=1\nRelais2Start=2\nRelais5Start=1\nRelais1Stop=2\n") +
            "[MultiSwitch.Relais1]\nDeviceType=TQS9PX\n" +
            CardSections(bench, 2, "TQS4PA", 5, "HublineSwitch",
                         "Relais3Start=1\nRelais4Start=1\nRelais8Start=1\nRelais3Stop=2\nRelais8Stop=2\n") +
            CardSections(bench, 3, "TQS6PA", 7, "HublineSwitch6Point",
                         "Relais1Start=3\nRelais2Start=6\nRelais1Stop=1\nRelais2Stop=2\n"));
  }
  static sim::Simulator::Keys UnitKeys(const sim::Simulator::Keys& extra) {
    sim::Simulator::Keys keys{{"family", "hubline"}, {"slot2", "relay2"}, {"slot5", "relay4"}, {"slot7", "sixway2"}};
    keys.insert(keys.end(), extra.begin(), extra.end());
    return keys;
  }
  void ExpectStates(const std::array<std::string, 3>& states) {
    EXPECT_EQ(States(2), states[0]);
    EXPECT_EQ(States(5), states[1]);
    EXPECT_EQ(States(7), states[2]);
  }
  template <class F>
  auto Unit(F&& f) {
    return hub->Access<sim::HublineUnit>([&](sim::HublineUnit& unit) { return f(unit); });
  }
  // Relays A–D, outputs 1–4 of a relay card or positions A, B of a six-position card.
  std::string States(int slot) {
    return Unit([slot](sim::HublineUnit& unit) {
      const sim::HublineCard* card = unit.Card(slot);
      std::string text;
      if (card->Position('A') >= 0) {
        for (char s : {'A', 'B'}) text += std::string(1, s) + "=" + std::to_string(card->Position(s)) + " ";
        return text;
      }
      for (char r : {'A', 'B', 'C', 'D'})
        if (!card->Relay(r).empty()) text += std::string(1, r) + "=" + card->Relay(r) + " ";
      for (int o = 1; o <= 4; ++o) text += std::to_string(o) + "=" + card->Output(o) + " ";
      return text;
    });
  }
};

size_t Count(const std::string& text, const std::string& part) {
  size_t count = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
  return count;
}

using Commands = std::vector<std::string>;

// What the board of the example file sends on events 3 and 2, and the states
// of slots 2, 5 and 7 after them.
const Commands kDuringCommands{"S2:INT_RELAY_A_NO", "S2:INT_RELAY_B_NC", "S2:EXT_RELAY_1_ACTIVE",
                               "S5:INT_RELAY_C_NO", "S5:INT_RELAY_D_NO", "S5:EXT_RELAY_4_ACTIVE",
                               "S7:INT_RELAY_A_3",  "S7:INT_RELAY_B_6"};
const Commands kAfterCommands{"S2:INT_RELAY_A_NC", "S5:INT_RELAY_C_NC", "S5:EXT_RELAY_4_IDLE", "S7:INT_RELAY_A_1",
                              "S7:INT_RELAY_B_2"};
const std::array<std::string, 3> kDuringStates{"A=NO B=NC 1=ACTIVE 2=IDLE 3=IDLE 4=IDLE ",
                                               "A=NC B=NC C=NO D=NO 1=IDLE 2=IDLE 3=IDLE 4=ACTIVE ", "A=3 B=6 "};
const std::array<std::string, 3> kAfterStates{"A=NC B=NC 1=ACTIVE 2=IDLE 3=IDLE 4=IDLE ",
                                              "A=NC B=NC C=NC D=NO 1=IDLE 2=IDLE 3=IDLE 4=IDLE ", "A=1 B=2 "};

class HublineMultiSwitchE2e : public testing::TestWithParam<Wire> {};

class HublineMultiSwitchBoardE2e : public testing::TestWithParam<Wire> {};
}  // namespace

TEST_P(HublineMultiSwitchBoardE2e, SwitchesEveryCardOfTheBoardFromOneFile) {
  Bench bench(GetParam());
  swm::Module& m = bench.board.m;
  const uint16_t id = bench.board.id;

  // Each card is identified in its own slot, in list order.
  const uint32_t check = m.CheckDevice(0, id);
  ASSERT_EQ(check, DRV_OK) << m.ErrorText(id, check);
  Commands identified;
  for (const std::string& command : bench.hub->ReceivedCommands())
    if (command.ends_with(":*IDN?")) identified.push_back(command);
  EXPECT_EQ(identified, (Commands{"S2:*IDN?", "S5:*IDN?", "S7:*IDN?"}));

  ASSERT_EQ(m.InitDevice(0, id), DRV_OK);
  bench.hub->ResetLog();
  ASSERT_EQ(bench.board.Event(3), DRV_OK);
  EXPECT_EQ(bench.hub->ReceivedCommands(), kDuringCommands);
  bench.ExpectStates(kDuringStates);

  bench.hub->ResetLog();
  ASSERT_EQ(bench.board.Event(2), DRV_OK);
  EXPECT_EQ(bench.hub->ReceivedCommands(), kAfterCommands);
  bench.ExpectStates(kAfterStates);

  // The interlock request asks every relay card whether it is alive.
  bench.hub->ResetLog();
  uint32_t answer = 0;
  ASSERT_EQ(bench.board.Request(1, &answer), DRV_OK);
  EXPECT_EQ(answer, 1u);
  EXPECT_EQ(bench.hub->ReceivedCommands(), (Commands{"S2:INT_RELAY_A?", "S5:INT_RELAY_A?"}));

  // De-initialising returns every card and the unit to local.
  bench.hub->ResetLog();
  ASSERT_EQ(m.DeInitDevice(0, id), DRV_OK);
  const Commands local = bench.hub->ReceivedCommands();
  for (const char* command : {"S2:LOCAL", "S5:LOCAL", "S7:LOCAL", "LOCAL"})
    EXPECT_NE(std::find(local.begin(), local.end(), command), local.end()) << command;
  EXPECT_FALSE(bench.Unit([](sim::HublineUnit& unit) { return unit.Remote(); }));

  // Saved: three cards, renumbered, each with its slot, transport and relays; loaded again, every value comes
  // back, the transport with its code (4 for TCP/IP, 0 for RS-232).
  const std::string text = bench.board.ExpectStableSave(bench.bench, "HUBLINEMULTISWITCH");
  for (const char* part : {"[MultiSwitch]\nCount=3\n", "[MultiSwitch.Relais1]\nDeviceType=TQS4PA\n",
                                  "[MultiSwitch.Relais2]\nDeviceType=TQS6PA\n"})
    EXPECT_NE(text.find(part), std::string::npos) << part << " missing in\n" << text;
  const std::string stream = bench.bench.StreamSections("MultiSwitch.Relais2");
  const bool serial = GetParam() == Wire::kSerial;
  EXPECT_EQ(Count(text, stream.substr(stream.rfind(".Stream Config"))), 3u) << text;
  EXPECT_EQ(Count(text, serial ? "Communication=0\n" : "Communication=4\n"), 3u) << text;
  EXPECT_EQ(Count(text, serial ? "Selected=RS-232\n" : "Selected=TCPIP\n"), 3u) << text;

  // The reloaded board switches exactly as before.
  ModuleDriver again("HUBLINEMULTISWITCH", bench.bench.File("saved1.ini"));
  ASSERT_EQ(m.InitDevice(0, again.id), DRV_OK);
  bench.hub->ResetLog();
  ASSERT_EQ(again.Event(3), DRV_OK);
  ASSERT_EQ(again.Event(2), DRV_OK);
  Commands both = kDuringCommands;
  both.insert(both.end(), kAfterCommands.begin(), kAfterCommands.end());
  EXPECT_EQ(bench.hub->ReceivedCommands(), both);
}

INSTANTIATE_TEST_SUITE_P(Wires, HublineMultiSwitchBoardE2e, testing::Values(Wire::kTcp, Wire::kSerial),
                         [](const testing::TestParamInfo<Wire>& info) { return std::string(WireName(info.param)); });

TEST(HublineMultiSwitchE2e, ADeviceErrorOnOneCardIsReportedAndTheOtherCardsStillSwitch) {
  Bench bench(Wire::kTcp, {{"device-error", "S5:INT_RELAY_D_NO -> 17"}, {"error-text", "17 -> Relay coil open"}});
  ASSERT_EQ(bench.board.m.InitDevice(0, bench.board.id), DRV_OK);
  bench.hub->ResetLog();

  const uint32_t status = bench.board.Event(3);
  EXPECT_EQ(status, 0x30003A98u + 17);
  // The failing card stops at its failing relay (three attempts, each with the
  // description query); the cards before and after it are switched completely.
  Commands expected{"S2:INT_RELAY_A_NO", "S2:INT_RELAY_B_NC", "S2:EXT_RELAY_1_ACTIVE", "S5:INT_RELAY_C_NO"};
  for (int i = 0; i < 3; ++i) expected.insert(expected.end(), {"S5:INT_RELAY_D_NO", "EXTRAINFO ERROR 17"});
  expected.insert(expected.end(), {"S7:INT_RELAY_A_3", "S7:INT_RELAY_B_6"});
  EXPECT_EQ(bench.hub->ReceivedCommands(), expected);
  EXPECT_EQ(bench.States(2), "A=NO B=NC 1=ACTIVE 2=IDLE 3=IDLE 4=IDLE ");
  EXPECT_EQ(bench.States(5), "A=NC B=NC C=NO D=NC 1=IDLE 2=IDLE 3=IDLE 4=IDLE ");
  EXPECT_EQ(bench.States(7), "A=3 B=6 ");
  EXPECT_EQ(bench.board.Text(status),
            "Device returned system error code: 17.\nDescription: Relay coil open.\n"
            "Please check the manual of your device to determine the exact cause.");

  // The after set is not affected by the rule and reaches every card.
  bench.hub->ResetLog();
  EXPECT_EQ(bench.board.Event(2), DRV_OK);
  EXPECT_EQ(bench.States(5), "A=NC B=NC C=NC D=NC 1=IDLE 2=IDLE 3=IDLE 4=IDLE ");
  EXPECT_EQ(bench.States(7), "A=1 B=2 ");
}
