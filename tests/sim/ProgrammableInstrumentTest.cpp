// The user-programmable instrument: scripted answers, remembered values,
// the default answer, and every byte a user-typed command carries.
#include <gtest/gtest.h>

#include <chrono>
#include <nlohmann/json.hpp>

#include "InstrumentOverTcp.h"
#include "sim/programmable/ProgrammableInstrument.h"
#include "support/TestFiles.h"

namespace {

using simtest::ReadUntil;
using simtest::SendAll;

constexpr std::chrono::milliseconds kPatience(simtest::kPatienceMs);

template <class F>
auto Programmable(sim::Instrument& instrument, F&& f) {
  return instrument.Access<sim::ProgrammableInstrument>(std::forward<F>(f));
}

using ProgrammableOverTcp = simtest::InstrumentOverTcp;

TEST_F(ProgrammableOverTcp, AnswersItsScriptAndRemembersWhatItIsSent) {
  sim::Instrument& matrix = Start({{"family", "programmable"},
                                   {"answer", "*IDN? -> ACME,MATRIX,7,2.1"},
                                   {"remember-re", "^FREQ ([-+0-9.eE]+)$ -> freq"},
                                   {"remember-re", "^PATH (\\w+) (\\w+)$ -> path"},
                                   {"remember-re", "^LEVEL .*$ -> level"},
                                   {"answer", "FREQ? -> ${freq} MHz"},
                                   {"answer", "STATE? -> ${path}/${level}/${unknown}"},
                                   {"accept-re", "^(FREQ|PATH|LEVEL) .*"}});
  EXPECT_EQ(Ask("*IDN?"), "ACME,MATRIX,7,2.1\n");
  EXPECT_EQ(Ask("FREQ?"), "${freq} MHz\n");  // nothing remembered yet
  // Accepted commands get no answer: the next answer is the query's.
  SendAll(client_.get(), "FREQ 2489.8126098\nPATH A 3\nLEVEL -10 dBm\n");
  EXPECT_EQ(Ask("FREQ?"), "2489.8126098 MHz\n");
  EXPECT_EQ(Ask("STATE?"), "A/LEVEL -10 dBm/${unknown}\n");  // the first group, else the whole command
  Tell("FREQ 1E3");
  EXPECT_EQ(Ask("FREQ?"), "1E3 MHz\n");
  EXPECT_EQ(Programmable(matrix, [](sim::ProgrammableInstrument& p) { return p.Value("freq"); }), "1E3");
  EXPECT_EQ(Programmable(matrix, [](sim::ProgrammableInstrument& p) { return p.Value("nothing"); }),
            std::nullopt);

  // Commands the script does not know: counted, kept, unanswered until a default answer is set.
  Tell("ROUTE 1");
  ASSERT_TRUE(matrix.WaitForCommands(10, kPatience));
  EXPECT_EQ(Programmable(matrix, [](sim::ProgrammableInstrument& p) { return p.UnscriptedCount(); }), 1u);
  ASSERT_EQ(matrix.Set("default-answer", "NAK ${freq}\\r"), "");
  EXPECT_EQ(Ask("ROUTE 2"), "NAK 1E3\r\n");
  EXPECT_EQ(Programmable(matrix, [](sim::ProgrammableInstrument& p) { return p.LastUnscripted(); }), "ROUTE 2");

  const nlohmann::json state = matrix.State()["instrument"];
  EXPECT_EQ(state["values"], (nlohmann::json{{"freq", "1E3"}, {"path", "A"}, {"level", "LEVEL -10 dBm"}}));
  EXPECT_EQ(state["unscripted_commands"], 2);
  EXPECT_EQ(state["remember"][0]["hits"], 2);

  // A reset forgets the values, not the script; clear-answers forgets the script.
  matrix.Reset();
  EXPECT_EQ(Ask("FREQ?"), "${freq} MHz\n");
  ASSERT_EQ(matrix.Set("clear-answers", ""), "");
  Tell("*IDN?");
  ASSERT_TRUE(matrix.WaitForCommands(13, kPatience));
  ASSERT_EQ(matrix.Set("answer", "PING -> PONG"), "");
  EXPECT_EQ(Ask("PING"), "PONG\n");  // nothing came for *IDN?
}

TEST(ProgrammableInstrument, KeepsEveryByteOfCommandsWithEscapedCharacters) {
  TestDirectory ports;
  sim::Simulator simulator;
  simulator.SetPortsDirectory(ports.Path());
  // Commands typed with escapes arrive as raw bytes; without a terminator
  // every write is one command.
  sim::Instrument& device = simulator.Add("device", {{"transport", "pty"},
                                                     {"family", "programmable"},
                                                     {"read-terminator", "none"},
                                                     {"write-terminator", "crlf"},
                                                     {"answer-re", "^MOVE\\t(\\d)\\x01$ -> MOVED $1"}});
  simtest::Fd port = simtest::OpenSerial(device.Endpoint().link);
  ASSERT_TRUE(port.valid());

  const std::string move("MOVE\t3\x01\r\n", 9);
  SendAll(port.get(), move);
  EXPECT_EQ(ReadUntil(port.get(), "\r\n"), "MOVED 3\r\n");
  const std::string binary("\x1b" "A\x00\xff\\n", 6);
  SendAll(port.get(), binary);
  ASSERT_TRUE(device.WaitForBytes(move.size() + binary.size(), kPatience));
  EXPECT_EQ(device.ReceivedBytes(), move + binary);
  EXPECT_EQ(device.ReceivedCommands(), (std::vector<std::string>{move, binary}));
  EXPECT_EQ(Programmable(device, [](sim::ProgrammableInstrument& p) { return p.LastUnscripted(); }), binary);
}

}  // namespace
