// The simulated Hubline unit, driven over TCP the way a switch driver talks
// to it: exact replies, relay states after switching, device errors,
// firmware-dependent commands, the keyboard lock and return to local.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "InstrumentOverTcp.h"
#include "sim/hubline/HublineUnit.h"

namespace {

using simtest::ReadUntil;
using simtest::SendAll;

// A multislot unit with a 4-relay card in slot 1 (no boxes), a 2-relay card
// in slot 3 with an OEM identity, a two-switch six-position card with two
// boxes in slot 5 and a one-switch card addressed with "EXT" in slot 6.
const sim::Simulator::Keys kBench = {
    {"family", "hubline"},      {"firmware", "1.12.2"},     {"slot1", "relay4"},
    {"slot3", "relay2"},        {"slot3-idn", "EMSwitch 7001-001"},
    {"slot5", "sixway2"},       {"slot5-boxes", "2"},       {"slot6", "sixway1-ext"}};

class HublineOverTcp : public simtest::InstrumentOverTcp {
protected:
  template <class F>
  auto Unit(F&& f) {
    return instrument_->Access<sim::HublineUnit>(std::forward<F>(f));
  }
  std::string Relay(int slot, char letter) {
    return Unit([&](sim::HublineUnit& unit) { return unit.Card(slot)->Relay(letter); });
  }
  std::string Output(int slot, int number) {
    return Unit([&](sim::HublineUnit& unit) { return unit.Card(slot)->Output(number); });
  }
  int Position(int slot, char letter) {
    return Unit([&](sim::HublineUnit& unit) { return unit.Card(slot)->Position(letter); });
  }
  int BoxPosition(int slot, int box, int number) {
    return Unit([&](sim::HublineUnit& unit) { return unit.Card(slot)->BoxPosition(box, number); });
  }
};

TEST_F(HublineOverTcp, UnitAndCardQueriesAnswerByteExact) {
  Start(kBench);
  const struct {
    const char* command;
    const char* reply;
  } cases[] = {
      // (The unit's own identification: FirmwareDecidesTheKeyboardLockAndTheErrorDescriptions.)
      {"S1:*IDN?", "TQS4PA\n"},
      {"S3:*IDN?", "EMSwitch 7001-001\n"},
      {"S5:*IDN?", "TQS6PA\n"},
      {"S6:*IDN?", "TQS6PA\n"},
      {"S1:INT_RELAY_A?", "NC\n"},
      {"S1:INT_RELAY_D?", "NC\n"},
      {"S1:EXT_RELAY_4?", "IDLE\n"},
      {"S3:INT_RELAY_B?", "NC\n"},
      {"S5:INT_RELAY_B?", "0\n"},
      {"S6:EXT_RELAY_A?", "0\n"},
      {"S5:N12RELAY_4?", "0\n"},
      {"SYSTEM:KLOCK?", "0\n"},
  };
  for (const auto& each : cases) EXPECT_EQ(Ask(each.command), each.reply) << each.command;
}

TEST_F(HublineOverTcp, SwitchingCommandsSetRelaysOutputsAndPositions) {
  Start(kBench);
  const char* const commands[] = {
      "S1:INT_RELAY_A_NO",   "S1:INT_RELAY_C_NO",   "S1:INT_RELAY_C_NC", "S1:EXT_RELAY_2_ACTIVE",
      "S1:EXT_RELAY_3_ACTIVE", "S1:EXT_RELAY_3_IDLE", "S3:INT_RELAY_B_NO", "S5:INT_RELAY_A_6",
      "S5:INT_RELAY_B_2",    "S5:N11RELAY_1_5",     "S5:N12RELAY_3_4",   "S6:EXT_RELAY_A_3",
  };
  for (const char* command : commands) EXPECT_EQ(Ask(command), "OK\n") << command;
  // (The summary below shows every state the commands set.) What a card does not have:
  EXPECT_EQ(Relay(1, 'E'), "");          // a 4-relay card has no relay E
  EXPECT_EQ(BoxPosition(5, 3, 1), -1);  // only two boxes
  EXPECT_EQ(Position(6, 'B'), -1);

  // The queries read the same states back.
  EXPECT_EQ(Ask("S1:INT_RELAY_A?"), "NO\n");
  EXPECT_EQ(Ask("S1:EXT_RELAY_2?"), "ACTIVE\n");
  EXPECT_EQ(Ask("S5:INT_RELAY_A?"), "6\n");
  EXPECT_EQ(Ask("S5:N12RELAY_3?"), "4\n");

  // The state lists every relay and position, for tests and for people.
  const nlohmann::json state = instrument_->State()["instrument"];
  EXPECT_EQ(state["summary"], (nlohmann::json{
                                  // C switched and switched back
                                  "S1 relay4 TQS4PA: A=NO B=NC C=NC D=NC, out 1=IDLE 2=ACTIVE 3=IDLE 4=IDLE",
                                  "S3 relay2 EMSwitch 7001-001: A=NC B=NO, out 1=IDLE 2=IDLE 3=IDLE 4=IDLE",
                                  "S5 sixway2 TQS6PA: A=6 B=2",
                                  "S5 box 1: 1=5 2=0 3=0 4=0",
                                  "S5 box 2: 1=0 2=0 3=4 4=0",
                                  "S6 sixway1-ext TQS6PA: A=3",
                              }));
  EXPECT_EQ(state["slots"]["1"]["relays"]["A"], "NO");
  EXPECT_EQ(state["slots"]["5"]["boxes"]["2"]["3"], 4);
  EXPECT_FALSE(state["slots"].contains("2"));

  // Switched off and on: relays rest on NC, outputs idle, switches open.
  instrument_->Reset();
  EXPECT_EQ(Relay(1, 'A'), "NC");
  EXPECT_EQ(Output(1, 2), "IDLE");
  EXPECT_EQ(Position(5, 'A'), 0);
  EXPECT_EQ(BoxPosition(5, 2, 3), 0);
}

TEST_F(HublineOverTcp, BadCommandsGetDeviceErrorsAndChangeNothing) {
  Start(kBench);
  const std::string range = "-222, \"Data out of range\"\n";
  const struct {
    const char* command;
    std::string reply;
  } cases[] = {
      {"S9:INT_RELAY_A_NO", "ERROR 101\n"},      // no slot 9
      {"S0:INT_RELAY_A_NO", "ERROR 101\n"},      // no slot 0
      {"S2:INT_RELAY_A_NO", "ERROR 101\n"},      // empty slot
      {"S1A:INT_RELAY_A_NO", "ERROR 101\n"},     // cards here have no sub-devices
      {"S3:INT_RELAY_C_NO", "ERROR 102\n"},      // a 2-relay card has no relay C
      {"S1:EXT_RELAY_5_ACTIVE", "ERROR 102\n"},  // outputs 1 to 4
      {"S5:N11RELAY_5_2", "ERROR 102\n"},        // boxes have switches 1 to 4
      {"S6:EXT_RELAY_B_3", "ERROR 102\n"},       // a one-switch card
      {"S5:N13RELAY_1_2", "ERROR 103\n"},        // two boxes only
      {"S1:N11RELAY_1_1", "ERROR 103\n"},        // no box at all
      {"S5:INT_RELAY_A_7", range},               // positions 1 to 6
      {"S5:INT_RELAY_A_0", range},
      {"S5:N11RELAY_1_9", range},
      {"S5:INT_RELAY_A_99999999999999999999", range},
      {"SYSTEM:KLOCK 2", range},
      {"S1:INT_RELAY_A_3", "ERROR 100\n"},       // a relay card has no positions
      {"S5:INT_RELAY_A_NO", "ERROR 100\n"},      // a six-position card has no NO/NC
      {"S5:EXT_RELAY_A_3", "ERROR 100\n"},       // slot 5 is addressed with INT
      {"S6:INT_RELAY_A_3", "ERROR 100\n"},       // slot 6 is addressed with EXT
      {"INT_RELAY_A_NO", "ERROR 100\n"},         // a multislot unit needs the card address
      {"S1INT_RELAY_A_NO", "ERROR 100\n"},
      {"S1::INT_RELAY_A_NO", "ERROR 100\n"},
      {"S1:int_relay_a_no", "ERROR 100\n"},      // commands are upper case
      {"S1:INT_RELAY_A_NO\r", "ERROR 100\n"},    // a stray carriage return is part of the command
      {" S1:INT_RELAY_A_NO", "ERROR 100\n"},
      {"S1:INT_RELAY_A_NO ", "ERROR 100\n"},
      {"S1:SYSTEM:KLOCKED", "ERROR 100\n"},
      {"EXTRAINFO ERROR", "ERROR 100\n"},
      {"*RST", "ERROR 100\n"},
  };
  for (const auto& each : cases) EXPECT_EQ(Ask(each.command), each.reply) << each.command;

  EXPECT_EQ(Relay(1, 'A'), "NC");
  EXPECT_EQ(Position(5, 'A'), 0);
  EXPECT_EQ(Position(6, 'A'), 0);
  EXPECT_EQ(BoxPosition(5, 1, 1), 0);
  EXPECT_FALSE(Unit([](sim::HublineUnit& unit) { return unit.KeyboardLocked(); }));
  EXPECT_EQ(Unit([](sim::HublineUnit& unit) { return unit.LastError(); }), 100);
  EXPECT_EQ(instrument_->State()["instrument"]["error_replies"], std::size(cases));
}

TEST_F(HublineOverTcp, ErrorRepliesTakeTheConfiguredForm) {
  Start({{"family", "hubline"}, {"slot2", "relay1"}});
  const struct {
    const char* format;
    const char* reply;
  } cases[] = {
      {"error", "ERROR 102\n"},
      {"e", ":E102\n"},
      {"syst", ":SYST:ERR 102\n"},
  };
  for (const auto& each : cases) {
    ASSERT_EQ(instrument_->Set("error-format", each.format), "");
    EXPECT_EQ(Ask("S2:INT_RELAY_B_NO"), each.reply) << each.format;
    // A value out of range keeps its own form.
    EXPECT_EQ(Ask("SYSTEM:KLOCK 7"), "-222, \"Data out of range\"\n") << each.format;
  }
}

TEST_F(HublineOverTcp, FirmwareDecidesTheKeyboardLockAndTheErrorDescriptions) {
  Start({{"family", "hubline"}, {"slot1", "relay2"}, {"error-text", "57 -> Relay K3 welded"}});
  const struct {
    const char* firmware;
    bool keyboardLock;
    bool descriptions;
  } cases[] = {
      {"1.3", false, false},     {"1.12.1", false, false}, {"1.12.2", true, false},
      {"1.13", true, false},     {"3.99.99", true, false}, {"4", true, true},
      {"4.0.0", true, true},     {"4.0.8", true, true},    {"12.0.1", true, true},
  };
  for (const auto& each : cases) {
    ASSERT_EQ(instrument_->Set("firmware", each.firmware), "");
    // The version is reported as it was given.
    EXPECT_EQ(Ask("*IDN?"), std::string("SWMSIM Hubline multislot unit, version ") + each.firmware + "\n");
    EXPECT_EQ(Ask("SYSTEM:KLOCK 1"), each.keyboardLock ? "OK\n" : "ERROR 100\n") << each.firmware;
    EXPECT_EQ(Ask("SYSTEM:KLOCK?"), each.keyboardLock ? "1\n" : "ERROR 100\n") << each.firmware;
    EXPECT_EQ(Ask("SYSTEM:KLOCK 0"), each.keyboardLock ? "OK\n" : "ERROR 100\n") << each.firmware;
    const char* const descriptions[][2] = {
        {"EXTRAINFO ERROR 102", "No such relay on this card\n"},
        {"EXTRAINFO ERROR 57", "Relay K3 welded\n"},
        {"EXTRAINFO ERROR 222", "Data out of range\n"},
        {"EXTRAINFO ERROR -5", "Undefined error\n"},
    };
    for (const auto& [command, text] : descriptions)
      EXPECT_EQ(Ask(command), each.descriptions ? text : "ERROR 100\n") << each.firmware << " " << command;
  }
  // Another identification text, with the version where it asks for it.
  ASSERT_EQ(instrument_->Set("unit-idn", "EMCenter {firmware} (version {firmware})"), "");
  EXPECT_EQ(Ask("*IDN?"), "EMCenter 12.0.1 (version 12.0.1)\n");
}

TEST_F(HublineOverTcp, KeyboardLockKeepsTheKeysOutAndLocalGivesTheUnitBack) {
  Start(kBench);
  auto locked = [&] { return Unit([](sim::HublineUnit& unit) { return unit.KeyboardLocked(); }); };
  auto remote = [&] { return Unit([](sim::HublineUnit& unit) { return unit.Remote(); }); };
  auto cardRemote = [&](int slot) {
    return Unit([slot](sim::HublineUnit& unit) { return unit.Card(slot)->Remote(); });
  };
  EXPECT_FALSE(remote());

  // Keys pressed at an unlocked unit work, and leave it in local operation.
  EXPECT_EQ(instrument_->Set("front-panel", "S1:INT_RELAY_B_NO"), "");
  EXPECT_EQ(Relay(1, 'B'), "NO");
  EXPECT_EQ(instrument_->Set("front-panel", "S1:INT_RELAY_F_NO"),
            "the unit refused 'S1:INT_RELAY_F_NO': No such relay on this card");

  EXPECT_EQ(Ask("SYSTEM:KLOCK 1"), "OK\n");
  EXPECT_TRUE(locked());
  EXPECT_TRUE(remote());
  EXPECT_EQ(instrument_->Set("front-panel", "S1:INT_RELAY_A_NO"), "the keyboard of the unit is locked");
  EXPECT_EQ(Relay(1, 'A'), "NC");
  // Remote commands still switch.
  EXPECT_EQ(Ask("S1:INT_RELAY_C_NO"), "OK\n");
  EXPECT_EQ(Relay(1, 'C'), "NO");
  EXPECT_TRUE(cardRemote(1));
  EXPECT_FALSE(cardRemote(3));

  // A card passes the lock on to the unit.
  EXPECT_EQ(Ask("S3:SYSTEM:KLOCK 0"), "OK\n");
  EXPECT_FALSE(locked());
  EXPECT_EQ(Ask("S3:SYSTEM:KLOCK?"), "0\n");
  EXPECT_TRUE(cardRemote(3));

  // Return to local: the card first, then the unit.
  EXPECT_EQ(Ask("S1:LOCAL"), "OK\n");
  EXPECT_FALSE(cardRemote(1));
  EXPECT_TRUE(cardRemote(3));
  EXPECT_TRUE(remote());
  EXPECT_EQ(Ask("LOCAL"), "OK\n");
  EXPECT_FALSE(remote());
  EXPECT_FALSE(cardRemote(3));

  EXPECT_EQ(instrument_->Set("front-panel", "S1:INT_RELAY_A_NO"), "");
  EXPECT_EQ(Relay(1, 'A'), "NO");
  const nlohmann::json panel = instrument_->State()["instrument"]["front_panel"];
  EXPECT_EQ(panel["pressed"], 3);
  EXPECT_EQ(panel["refused"], 1);

  // Some firmware confirms the lock with its state instead of OK.
  ASSERT_EQ(instrument_->Set("klock-reply", "state"), "");
  EXPECT_EQ(Ask("SYSTEM:KLOCK 1"), "1\n");
  EXPECT_EQ(Ask("SYSTEM:KLOCK 0"), "0\n");
  // Power cycling unlocks the keyboard.
  EXPECT_EQ(Ask("SYSTEM:KLOCK 1"), "1\n");
  instrument_->Reset();
  EXPECT_FALSE(locked());
}

TEST_F(HublineOverTcp, InjectedErrorsAndHeldBackRepliesHitOnlyTheirCommands) {
  sim::Simulator::Keys keys = kBench;
  keys.push_back({"error-format", "e"});
  keys.push_back({"device-error", "S1:INT_RELAY_B_.* -> 57"});
  keys.push_back({"device-error-once", "S1:INT_RELAY_A_NO -> -5"});
  keys.push_back({"no-reply", "S1:EXT_RELAY_1_ACTIVE"});
  Start(keys);
  EXPECT_EQ(Ask("S1:INT_RELAY_A_NO"), ":E-5\n");
  EXPECT_EQ(Relay(1, 'A'), "NC");  // a command that failed is not carried out
  EXPECT_EQ(Ask("S1:INT_RELAY_A_NO"), "OK\n");  // the one-time error is spent
  EXPECT_EQ(Relay(1, 'A'), "NO");
  EXPECT_EQ(Ask("S1:INT_RELAY_B_NO"), ":E57\n");
  EXPECT_EQ(Ask("S1:INT_RELAY_B_NC"), ":E57\n");
  EXPECT_EQ(Ask("S1:INT_RELAY_C_NO"), "OK\n");
  EXPECT_EQ(Unit([](sim::HublineUnit& unit) { return unit.LastError(); }), 57);

  // Carried out, but no reply: the next reply is the query's.
  SendAll(client_.get(), "S1:EXT_RELAY_1_ACTIVE\nS1:EXT_RELAY_1?\n");
  EXPECT_EQ(ReadUntil(client_.get(), "\n"), "ACTIVE\n");

  // (A rule set while the unit runs: HublineCardsE2e.)
  EXPECT_EQ(instrument_->Set("clear-rules", ""), "");
  EXPECT_EQ(Ask("S1:INT_RELAY_B_NO"), "OK\n");
}

TEST_F(HublineOverTcp, EmptyLinesAreIgnored) {
  Start(kBench);
  // A doubled line feed (the command's own and a stream terminator) asks nothing.
  SendAll(client_.get(), "S1:INT_RELAY_A_NO\n\nS1:INT_RELAY_A?\n");
  EXPECT_EQ(ReadUntil(client_.get(), "NO\n"), "OK\nNO\n");
  EXPECT_EQ(instrument_->ReceivedCommands(), (std::vector<std::string>{"S1:INT_RELAY_A_NO", "", "S1:INT_RELAY_A?"}));
}

TEST_F(HublineOverTcp, ASingleUnitTakesCardCommandsWithoutAddress) {
  Start({{"family", "hubline"},
         {"unit", "single"},
         {"slot1", "relay4"},
         {"slot1-idn", "EMSwitch 7001-004"},
         {"slot1-boxes", "1"}});
  const struct {
    const char* command;
    const char* reply;
  } cases[] = {
      {"*IDN?", "EMSwitch 7001-004\n"},  // the card answers
      {"INT_RELAY_D_NO", "OK\n"},
      {"EXT_RELAY_1_ACTIVE", "OK\n"},
      {"N11RELAY_4_6", "OK\n"},
      {"INT_RELAY_D?", "NO\n"},
      {"S1:INT_RELAY_A_NO", "ERROR 100\n"},  // no addresses on a single unit
      {"SYSTEM:KLOCK 1", "OK\n"},
      {"LOCAL", "OK\n"},
  };
  for (const auto& each : cases) EXPECT_EQ(Ask(each.command), each.reply) << each.command;
  EXPECT_EQ(Relay(1, 'D'), "NO");
  EXPECT_EQ(Relay(1, 'A'), "NC");
  EXPECT_EQ(Output(1, 1), "ACTIVE");
  EXPECT_EQ(BoxPosition(1, 1, 4), 6);
  EXPECT_FALSE(Unit([](sim::HublineUnit& unit) { return unit.Remote(); }));

  // Without a card every card command is refused; a card put in while the unit runs answers.
  ASSERT_EQ(instrument_->Set("slot1", "none"), "");
  EXPECT_EQ(Ask("INT_RELAY_A_NO"), "ERROR 101\n");
  EXPECT_EQ(Ask("LOCAL"), "OK\n");
  ASSERT_EQ(instrument_->Set("slot1", "sixway1"), "");
  EXPECT_EQ(Ask("INT_RELAY_A_5"), "OK\n");
  EXPECT_EQ(Position(1, 'A'), 5);
}

}  // namespace
