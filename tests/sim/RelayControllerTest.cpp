// The simulated relay controllers decode each model's commands into item
// states and reject malformed commands whole; the positioner's completion
// follows its move; the output-cycling instrument records only changes.
#include "sim/gpibrelay/RelayController.h"

#include <gtest/gtest.h>

#include "sim/outputcycler/OutputCycler.h"

namespace {
struct Step {
  const char* model;
  const char* command;
  bool accepted;
  const char* summary;  // after the command
};

const Step kSteps[] = {
    {"hp11713a", "A0A3B9", true, "0=set 3=set 9=reset"},
    {"hp11713a", "A12B0", true, "0=reset 1=set 2=set"},
    {"hp11713a", "A1C2", false, ""},  // rejected whole: relay 1 stays as it was
    {"hp11713a", "A", false, ""},
    {"hp11713a", "a1", false, ""},
    {"hp11713a", "A1 B2", false, ""},
    {"hp59307", "A0B3", true, "A=1 B=4"},
    {"hp59307", "A4", false, ""},
    {"hp59307", "A01", false, ""},
    {"emco2090", "AUX 2 ON", true, "AUX2=ON"},
    {"emco2090", "AUX 5 ON", false, ""},
    {"emco2090", "AUX 1 ON;AUX 2 OFF", false, ""},
    {"emco2090", "aux 1 on", false, ""},
    {"sciu", "TO:A0,1", true, "A=1"},
    {"sciu", "TO:B7,0", true, "B7=0"},
    {"sciu", "TO:B2,0", false, ""},
    {"sciu", "TO:A,2", false, ""},
    {"ics4874", "R241", true, "R24=set"},
    {"ics4874", "R010\r\n", true, "R01=reset"},
    {"ics4874", "R251", false, ""},
    {"ics4874", "R001", false, ""},
    {"ics4874", "R1 1", false, ""},
    {"ics4864", "R171", false, ""},
    {"emco5390", "*OPC;P12", true, "POSITION=12"},
    {"emco5390", "PLD", true, "POSITION=LD"},
    {"emco5390", "P13", false, ""},
    {"emco5390", "P01", false, ""},
};
}  // namespace

TEST(RelayControllerSim, DecodesEachModelsCommandsAndRejectsMalformedOnes) {
  for (const Step& step : kSteps) {
    SCOPED_TRACE(std::string(step.model) + " " + step.command);
    sim::RelayController controller;
    ASSERT_EQ(controller.Configure("model", step.model), "");
    if (std::string(step.command) == "A12B0") controller.Handle("B0");
    if (std::string(step.command) == "A1C2") controller.Handle("A1");
    const std::string before = controller.Summary();
    controller.Handle(step.command);
    EXPECT_EQ(controller.Rejected(), step.accepted ? 0u : 1u);
    EXPECT_EQ(controller.Summary(), step.accepted ? std::string(step.summary) : before);
    if (!step.accepted) {
      EXPECT_EQ(controller.LastRejected(), step.command);
    }
  }
  sim::RelayController controller;
  EXPECT_NE(controller.Configure("model", "hp8494"), "");
  EXPECT_NE(controller.Configure("inputs", "0101"), "");
  EXPECT_NE(controller.Configure("opc-delay", "soon"), "");
}

TEST(RelayControllerSim, ThePositionerReportsCompletionOfTheArmedMoveAfterItsDelay) {
  sim::RelayController positioner;
  ASSERT_EQ(positioner.Configure("model", "emco5390"), "");
  ASSERT_EQ(positioner.Configure("opc-delay", "5"), "");
  positioner.Handle("*ESE 1;*SRE 32");
  positioner.Handle("P3");
  EXPECT_EQ(positioner.StatusByte(), 0) << "a move without *OPC reports nothing";
  positioner.Handle("*OPC");
  EXPECT_EQ(positioner.StatusByte(), 0) << "armed, but no move has ended";
  positioner.Handle("P4");
  ASSERT_TRUE(positioner.PendingChangeMs().has_value());
  EXPECT_LE(*positioner.PendingChangeMs(), 5u);
  while (positioner.Moving()) positioner.Tick();  // the simulator's timer calls Tick when the time has come
  EXPECT_EQ(positioner.StatusByte(), 0x20);
  EXPECT_EQ(positioner.Handle("*ESR?"), "1");
  EXPECT_EQ(positioner.StatusByte(), 0);
  positioner.Configure("opc-delay", "never");
  positioner.Handle("*OPC;P5");
  EXPECT_FALSE(positioner.PendingChangeMs().has_value());
  EXPECT_TRUE(positioner.Moving());
  EXPECT_EQ(positioner.Handle("*IDN?;*ESR?"), "SWMSIM,5390,0,1.0;0");
}

TEST(RelayControllerSim, AHungInterfaceStopsListeningUntilReset) {
  sim::RelayController ics;
  ASSERT_EQ(ics.Configure("model", "ics4874"), "");
  ASSERT_EQ(ics.Configure("stop-listening", "R02."), "");
  ASSERT_EQ(ics.Configure("inputs", "10000001"), "");
  EXPECT_EQ(ics.Handle("I08?"), "1");
  EXPECT_EQ(ics.Handle("I02?"), "0");
  ics.Handle("R011");
  EXPECT_TRUE(ics.Listening());
  ics.Handle("R021");
  EXPECT_FALSE(ics.Listening());
  EXPECT_EQ(ics.Summary(), "R01=set R02=set");
  ics.Reset();
  EXPECT_TRUE(ics.Listening());
  EXPECT_EQ(ics.Summary(), "");
}

TEST(OutputCyclerSim, RecordsOnlyChangesOfTheOutput) {
  sim::OutputCycler source;
  ASSERT_EQ(source.Configure("output", "on"), "");
  for (const char* command : {"OUTPUT ON", "OUTPUT OFF", "OUTPUT OFF", "OUTPUT ON", "OUTP ON"}) source.Handle(command);
  EXPECT_EQ(source.ChangeWords(), (std::vector<std::string>{"OFF", "ON"}));
  EXPECT_LE(source.Changes()[0].atMs, source.Changes()[1].atMs);
  EXPECT_EQ(source.Unchanged(), 2u);
  EXPECT_EQ(source.Rejected(), 1u);
  EXPECT_EQ(source.Handle("OUTPUT?"), "1");
  source.Reset();
  EXPECT_TRUE(source.On());
  EXPECT_TRUE(source.Changes().empty());
}
