// The generic SCPI instrument, driven over TCP the way a driver would.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "InstrumentOverTcp.h"
#include "sim/scpi/ScpiHeader.h"
#include "sim/scpi/ScpiInstrument.h"

namespace {

using simtest::ReadUntil;
using simtest::SendAll;

using ScpiOverTcp = simtest::InstrumentOverTcp;

TEST_F(ScpiOverTcp, CommonQueriesAnswerByteExact) {
  Start({{"idn", "ACME,DMM100,1234,1.0"}});
  const struct {
    const char* command;
    const char* answer;
  } cases[] = {
      {"*idn?", "ACME,DMM100,1234,1.0\n"},
      {"*STB?", "0\n"},
      {"*ESR?", "0\n"},
      {"*TST?", "0\n"},
      {"SYST:ERR?", "0,\"No error\"\n"},
      {"SYSTem:ERRor:NEXT?", "0,\"No error\"\n"},  // (more header forms: ScpiHeader)
      {"SYST:ERR:COUN?", "0\n"},
      {"*OPC?;*IDN?", "1;ACME,DMM100,1234,1.0\n"},
      {"  *OPC?  \r", "1\n"},  // a CR before the LF counts as white space
  };
  for (const auto& each : cases) EXPECT_EQ(Ask(each.command), each.answer) << each.command;
}

TEST_F(ScpiOverTcp, UnknownCommandsFillTheErrorQueueAndTheStatusRegistersUntilItOverflows) {
  Start({{"error-queue", "3"}});
  Tell("FOO");
  EXPECT_EQ(Ask("*STB?"), "4\n");   // error queue not empty
  EXPECT_EQ(Ask("*ESR?"), "32\n");  // command error
  EXPECT_EQ(Ask("*ESR?"), "0\n");   // reading cleared it
  EXPECT_EQ(Ask("SYST:ERR?"), "-113,\"Undefined header\"\n");
  EXPECT_EQ(Ask("SYST:ERR?"), "0,\"No error\"\n");
  EXPECT_EQ(Ask("*STB?"), "0\n");

  const struct {
    const char* command;
    const char* error;
  } badParameters[] = {
      {"*ESE 300", "-222,\"Data out of range\"\n"},
      {"*ESE abc", "-104,\"Data type error\"\n"},
      {"*SRE", "-109,\"Missing parameter\"\n"},
      {"*IDN? 5", "-108,\"Parameter not allowed\"\n"},
      {"SYST:ERR? 1", "-108,\"Parameter not allowed\"\n"},
      {"*XYZ", "-113,\"Undefined header\"\n"},
  };
  for (const auto& each : badParameters) {
    Tell(each.command);
    EXPECT_EQ(Ask("SYST:ERR?"), each.error) << each.command;
  }

  // A full queue reports its overflow last; *CLS empties it.
  for (int i = 0; i < 5; ++i) Tell("BAD" + std::to_string(i));
  EXPECT_EQ(Ask("SYST:ERR:COUNT?"), "3\n");
  EXPECT_EQ(Ask("SYST:ERR?"), "-113,\"Undefined header\"\n");
  EXPECT_EQ(Ask("SYST:ERR?"), "-113,\"Undefined header\"\n");
  EXPECT_EQ(Ask("SYST:ERR?"), "-350,\"Queue overflow\"\n");
  EXPECT_EQ(Ask("SYST:ERR?"), "0,\"No error\"\n");
  Tell("BAD");
  Tell("*CLS");
  EXPECT_EQ(Ask("*STB?;*ESR?;SYST:ERR?"), "0;0;0,\"No error\"\n");
}

TEST_F(ScpiOverTcp, OperationCompleteRaisesTheMasterSummaryThroughTheEnableMasks) {
  sim::Instrument& dmm = Start({});
  Tell("*ESE 1;*SRE 32");
  EXPECT_EQ(Ask("*ESE?;*SRE?"), "1;32\n");
  Tell("*OPC");
  EXPECT_EQ(Ask("*STB?"), "96\n");  // event summary (32) and master summary (64)
  EXPECT_EQ(Ask("*ESR?"), "1\n");
  EXPECT_EQ(Ask("*STB?"), "0\n");
  // (A pushed error in the status byte and the queue: NI488GPIBTest.)
  dmm.Reset();  // power-on clears the masks
  EXPECT_EQ(Ask("*ESE?;*SRE?"), "0;0\n");
}

TEST_F(ScpiOverTcp, ScriptedPairsAnswerExactOrByRegularExpression) {
  sim::Instrument& dmm = Start({{"answer", "MEAS? -> +1.234E+00"},
                                {"answer-re", "^CONF:VOLT (\\d+)$ -> set $1 V"},
                                {"answer", "ECHO? -> a\\tb\\x41"},
                                {"accept", "OUTP ON"},
                                {"accept-re", "^ROUT:CLOS \\(@\\d+\\)$"}});
  EXPECT_EQ(Ask("MEAS?"), "+1.234E+00\n");
  EXPECT_EQ(Ask("CONF:VOLT 12"), "set 12 V\n");
  EXPECT_EQ(Ask("ECHO?"), "a\tbA\n");
  EXPECT_EQ(Ask("MEAS?;*OPC?"), "+1.234E+00;1\n");
  Tell("OUTP ON");
  Tell("ROUT:CLOS (@3)");
  EXPECT_EQ(Ask("SYST:ERR?"), "0,\"No error\"\n");  // accepted, not unknown
  Tell("ROUT:CLOS (@x)");
  EXPECT_EQ(Ask("SYST:ERR?"), "-113,\"Undefined header\"\n");

  EXPECT_EQ(dmm.Set("answer", "NEW? -> yes"), "");
  EXPECT_EQ(Ask("NEW?"), "yes\n");
  const nlohmann::json answers = dmm.State()["instrument"]["answers"];
  EXPECT_EQ(answers[0]["command"], "MEAS?");
  EXPECT_EQ(answers[0]["hits"], 2);
  EXPECT_EQ(answers[1]["hits"], 1);
  EXPECT_EQ(dmm.Set("clear-answers", ""), "");
  Tell("MEAS?");
  EXPECT_EQ(Ask("SYST:ERR?"), "-113,\"Undefined header\"\n");
}

TEST(ScpiConfiguration, BadScriptsAndKeysAreRefusedWithTheReason) {
  sim::Simulator simulator;
  const struct {
    const char* key;
    const char* value;
    const char* error;
  } cases[] = {
      // (A script without "->", a bad regular expression and an unknown key: ConfigFile tests.)
      {"answer", " -> 1", "empty command"},
      {"answer", "X? -> \\q", "unknown escape"},
      {"error-queue", "0", "error-queue needs a size"},
      {"push-error", "abc", "push-error needs CODE"},
  };
  for (const auto& each : cases) {
    try {
      simulator.Add("x", {{"transport", "tcp"}, {each.key, each.value}});
      ADD_FAILURE() << each.key << " " << each.value << " was accepted";
    } catch (const std::invalid_argument& error) {
      EXPECT_NE(std::string(error.what()).find(each.error), std::string::npos) << error.what();
    }
  }
  EXPECT_TRUE(simulator.Instruments().empty());
}

TEST_F(ScpiOverTcp, TerminatorsFrameCommandsAndEndAnswers) {
  const struct {
    const char* read;
    const char* write;
    std::string send;
    std::string expect;
  } cases[] = {
      // (Line feeds, and CR LF both ways: every other test and RS232Test.ReadsEndAtTerminatorsPatternsAndCounts.)
      {"cr", "cr", "*OPC?\r", "1\r"},
      {"crlf", "lf", "*OPC?\r\n", "1\n"},
      {"lf", "none", "*OPC?\n", "1"},
  };
  const char* const names[] = {"t0", "t1", "t2"};
  static_assert(std::size(names) == std::size(cases));
  int index = 0;
  for (const auto& each : cases) {
    sim::Instrument& instrument = simulator_.Add(
        names[index++],
        {{"transport", "tcp"}, {"read-terminator", each.read}, {"write-terminator", each.write}});
    simtest::Fd client = simtest::ConnectTcp(instrument.Endpoint().port);
    SendAll(client.get(), each.send);
    EXPECT_EQ(simtest::ReadCount(client.get(), each.expect.size()), each.expect)
        << each.read << "/" << each.write;
    EXPECT_EQ(instrument.ReceivedCommands(), std::vector<std::string>{"*OPC?"});
  }
  // With a CR LF reader a lone LF ends nothing: the two lines are one (unknown) command.
  sim::Instrument& strict = simulator_.Add("strict", {{"transport", "tcp"}, {"terminator", "crlf"}});
  simtest::Fd client = simtest::ConnectTcp(strict.Endpoint().port);
  SendAll(client.get(), "*IDN?\n*OPC?\r\nSYST:ERR?\r\n");
  EXPECT_EQ(ReadUntil(client.get(), "\r\n"), "-113,\"Undefined header\"\r\n");
  EXPECT_EQ(strict.ReceivedCommands(), (std::vector<std::string>{"*IDN?\n*OPC?", "SYST:ERR?"}));
}

TEST_F(ScpiOverTcp, TheRecordKeepsEveryCommandAndEveryByte) {
  sim::Instrument& dmm = Start({});
  SendAll(client_.get(), "*ID");
  SendAll(client_.get(), "N?\nFOO\r\n*OPC?\n");
  EXPECT_EQ(ReadUntil(client_.get(), "1\n"), std::string(sim::ScpiInstrument::kDefaultIdentity) + "\n1\n");
  EXPECT_EQ(dmm.ReceivedCommands(), (std::vector<std::string>{"*IDN?", "FOO\r", "*OPC?"}));
  EXPECT_EQ(dmm.ReceivedBytes(), "*IDN?\nFOO\r\n*OPC?\n");
  EXPECT_EQ(dmm.State()["last_command"], "*OPC?");
  EXPECT_EQ(dmm.State()["answers_sent"], 2);

  // (That a cleared record is empty: HublineCardsE2e and the other end-to-end tests.)
  dmm.ResetLog();
  Tell("*CLS");
  EXPECT_TRUE(dmm.WaitForCommands(1, std::chrono::milliseconds(simtest::kPatienceMs)));
  EXPECT_FALSE(dmm.WaitForCommands(2, std::chrono::milliseconds(1)));
}

TEST_F(ScpiOverTcp, TwoClientsEachGetTheirOwnAnswersAndTheFamilyStateIsReachableInProcess) {
  sim::Instrument& dmm = Start({{"idn", "A,B,C,D"}});
  simtest::Fd second = simtest::ConnectTcp(dmm.Endpoint().port);
  SendAll(client_.get(), "*ID");
  SendAll(second.get(), "*OPC?\n");
  EXPECT_EQ(ReadUntil(second.get(), "\n"), "1\n");
  SendAll(client_.get(), "N?\n");
  EXPECT_EQ(ReadUntil(client_.get(), "\n"), "A,B,C,D\n");
  EXPECT_EQ(dmm.State()["transport_state"]["connections"], 2);

  // The family's state is reachable in the process.
  Tell("NOPE");
  EXPECT_EQ(Ask("*OPC?"), "1\n");
  const size_t errors = dmm.Access<sim::ScpiInstrument>(
      [](sim::ScpiInstrument& scpi) { return scpi.Status().ErrorCount(); });
  EXPECT_EQ(errors, 1u);
  EXPECT_EQ(dmm.Access<sim::ScpiInstrument>([](sim::ScpiInstrument& scpi) { return scpi.Identity(); }),
            "A,B,C,D");
}

TEST(ScpiHeader, ShortAndLongFormsAndOptionalNodes) {
  const struct {
    const char* pattern;
    const char* header;
    bool matches;
  } cases[] = {
      {"SYSTem:ERRor[:NEXT]?", "SYST:ERR?", true},
      {"SYSTem:ERRor[:NEXT]?", "system:error:next?", true},
      {"SYSTem:ERRor[:NEXT]?", ":SYST:ERR?", true},
      {"SYSTem:ERRor[:NEXT]?", "SYST:ERR:NEXT?", true},
      {"SYSTem:ERRor[:NEXT]?", "SYST:ERR", false},       // not a query
      {"SYSTem:ERRor[:NEXT]?", "SYSTE:ERR?", false},     // neither short nor long
      {"SYSTem:ERRor[:NEXT]?", "SYST:ERR:COUN?", false},
      {"SYSTem:ERRor[:NEXT]?", "SYST?", false},
      {"SYSTem:ERRor:COUNt?", "syst:err:count?", true},
      {"[SOURce]:FREQuency?", "FREQ?", true},
      {"[SOURce]:FREQuency?", "SOUR:FREQ?", true},
      {"[SOURce]:FREQuency?", "", false},
  };
  for (const auto& each : cases)
    EXPECT_EQ(sim::ScpiHeaderMatches(each.pattern, each.header), each.matches)
        << each.pattern << " vs " << each.header;
}

}  // namespace
