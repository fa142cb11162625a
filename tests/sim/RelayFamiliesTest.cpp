// The simulated relay units, cards, EUT controller and Probex probe taken
// command by command: what each accepts and changes, what it rejects, what
// it answers, and its configuration keys.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "sim/core/FamilyRegistry.h"
#include "sim/eutcontroller/EutController.h"
#include "sim/probex/ProbexProbe.h"
#include "sim/relaycards/CardBoards.h"
#include "sim/relays/RelayUnits.h"

namespace {
using Answer = std::optional<std::string>;
}

TEST(RelayFamilies, UnitsSwitchOnlyOnWholeValidCommands) {
  sim::ToyoUnit toyo;
  EXPECT_EQ(toyo.Handle("S1R3S10\r"), Answer());
  EXPECT_EQ(toyo.Positions(), (std::vector<int>{1, 0, 0, 0, 0, 0, 0, 0, 0, 1}));
  EXPECT_EQ(toyo.Handle("R1S11"), Answer());  // relay 11 does not exist: nothing changes
  EXPECT_EQ(toyo.Handle("S2X"), Answer());
  EXPECT_EQ(toyo.Position(1), 1);
  EXPECT_EQ(toyo.Rejected(), 2u);

  sim::Sc1000Controller sc1000;
  for (const char* command : {"P1", " R ", "SW2-3\r", "SW7-4", "SW8-1", "SW1-5", "SW1-"}) sc1000.Handle(command);
  EXPECT_EQ(sc1000.Positions(), (std::vector<int>{0, 3, 0, 0, 0, 0, 4}));
  EXPECT_EQ(sc1000.Accepted(), (std::vector<std::string>{"P1", "R", "SW2-3", "SW7-4"}));
  EXPECT_EQ(sc1000.Rejected(), 3u);

  sim::KreBox kre;
  kre.Handle("R2P5R9P0R1P6");
  kre.Handle("R3P7");  // position 7 does not exist
  kre.Handle("R3");
  EXPECT_EQ(kre.Positions(), (std::vector<int>{6, 5, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(kre.Rejected(), 2u);
  EXPECT_EQ(kre.State()["positions"][1], 5);
}

TEST(RelayFamilies, DenkoviBoardAnswersItsRelaysAsTwoBytes) {
  sim::DenkoviBoard board;
  EXPECT_EQ(board.Handle("01+//09+//16+//02+//02-//"), Answer());
  EXPECT_EQ(board.Handle("ask//"), Answer(std::string("\x01\x81", 2)));
  EXPECT_EQ(board.Handle("17+//"), Answer());
  EXPECT_EQ(board.Handle("03+"), Answer());  // no "//": not a command
  EXPECT_EQ(board.Rejected(), 2u);
  board.Reset();
  EXPECT_EQ(board.Handle("ask//"), Answer(std::string("\0\0", 2)));
}

TEST(RelayFamilies, CardsAnswerTheirLibrariesCommands) {
  sim::MccBoard mcc;
  EXPECT_EQ(mcc.Configure("relays", "8"), "");
  EXPECT_EQ(mcc.Configure("product", "USB-ERB08"), "");
  EXPECT_NE(mcc.Configure("relays", "0"), "");
  EXPECT_EQ(mcc.Handle("INFO?"), Answer("USB-ERB08,154,1"));
  EXPECT_EQ(mcc.Handle("DBITOUT 10 7 1"), Answer("0"));
  EXPECT_EQ(mcc.Handle("DBITOUT 10 8 1"), Answer("9"));
  EXPECT_EQ(mcc.Handle("DBITOUT 11 0 1"), Answer("8"));
  EXPECT_EQ(mcc.Handle("DBITOUT 10 x 1"), Answer("-1"));
  EXPECT_EQ(mcc.Relays(), (std::vector<int>{0, 0, 0, 0, 0, 0, 0, 1}));

  sim::AdvantechCard card;
  EXPECT_EQ(card.Configure("output", "6"), "");
  EXPECT_NE(card.Configure("output", "256"), "");
  EXPECT_EQ(card.Handle("DO 0 3 1"), Answer("0"));
  EXPECT_EQ(card.Handle("DO? 0"), Answer("5"));
  EXPECT_EQ(card.Handle("DO? 1"), Answer("-1"));
  EXPECT_EQ(card.Writes(), 1u);
}

TEST(RelayFamilies, EutControllerKeepsLinesAndItemsAndServesItsOwn) {
  sim::EutController controller;
  EXPECT_EQ(controller.Configure("testinfo", "Operator = Smith"), "");
  EXPECT_NE(controller.Configure("testinfo", "no equals sign"), "");
  EXPECT_EQ(controller.Handle("TEST START"), Answer());
  EXPECT_EQ(controller.Handle(""), Answer());
  EXPECT_EQ(controller.Handle("EUTINFO Model=X1=2\r"), Answer());
  EXPECT_EQ(controller.Handle("TESTINFO Lab=EMC 1"), Answer());
  EXPECT_EQ(controller.Handle("TESTINFO?"), Answer("TESTINFO Operator = Smith\n"));
  EXPECT_EQ(controller.Lines(), (std::vector<std::string>{"TEST START", "EUTINFO Model=X1=2", "TESTINFO Lab=EMC 1", "TESTINFO?"}));
  EXPECT_EQ(controller.EutItems(), (std::vector<sim::EutController::Item>{{"Model", "X1=2"}}));
  EXPECT_EQ(controller.TestItems(), (std::vector<sim::EutController::Item>{{"Lab", "EMC 1"}}));
  EXPECT_EQ(controller.Configure("clear-testinfo", ""), "");
  EXPECT_EQ(controller.Handle("TESTINFO?"), Answer(""));
}

// (An adjustment followed step by step, and a field outside one, are driven
// through the module's driver in tests/e2e.)
TEST(RelayFamilies, ProbexProbeRefusesAnUnknownTargetAndTakesItsErrorNumber) {
  sim::ProbexProbe probe;
  EXPECT_EQ(probe.Handle("!ADJUST_START YHB3"), Answer("ERROR 7"));
  EXPECT_EQ(probe.Configure("error-number", "12"), "");
  EXPECT_EQ(probe.Handle("!ADJUST_STOP"), Answer("ERROR 12"));  // not adjusting
}

TEST(RelayFamilies, EveryNewFamilyIsRegistered) {
  for (const char* name : {"toyo", "sc1000", "kre", "denkovi", "eutcontroller", "probex", "mcc", "advantech"}) {
    auto family = sim::CreateFamily(name);
    ASSERT_NE(family, nullptr) << name;
    EXPECT_EQ(family->Name(), name);
    EXPECT_NE(family->Configure("no-such-key", "1"), "") << name;
  }
}
