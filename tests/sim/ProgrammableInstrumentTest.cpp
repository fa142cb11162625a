// The user-programmable instrument: scripted answers, remembered values,
// the default answer, and every byte a user-typed command carries.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <termios.h>

#include <chrono>
#include <filesystem>
#include <nlohmann/json.hpp>

#include "SimTestIo.h"
#include "sim/core/Simulator.h"
#include "sim/programmable/ProgrammableInstrument.h"

namespace {

using simtest::ReadUntil;
using simtest::SendAll;

constexpr std::chrono::milliseconds kPatience(simtest::kPatienceMs);

template <class F>
auto Programmable(sim::Instrument& instrument, F&& f) {
  return instrument.Access<sim::ProgrammableInstrument>(std::forward<F>(f));
}

TEST(ProgrammableInstrument, AnswersItsScriptAndRemembersWhatItIsSent) {
  sim::Simulator simulator;
  sim::Instrument& matrix = simulator.Add(
      "matrix", {{"transport", "tcp"},
                 {"family", "programmable"},
                 {"answer", "*IDN? -> ACME,MATRIX,7,2.1"},
                 {"remember-re", "^FREQ ([-+0-9.eE]+)$ -> freq"},
                 {"remember-re", "^PATH (\\w+) (\\w+)$ -> path"},
                 {"remember-re", "^LEVEL .*$ -> level"},
                 {"answer", "FREQ? -> ${freq} MHz"},
                 {"answer", "STATE? -> ${path}/${level}/${unknown}"},
                 {"accept-re", "^(FREQ|PATH|LEVEL) .*"}});
  simtest::Fd client = simtest::ConnectTcp(matrix.Endpoint().port);
  auto ask = [&](const std::string& command) {
    SendAll(client.get(), command + "\n");
    return ReadUntil(client.get(), "\n");
  };
  EXPECT_EQ(ask("*IDN?"), "ACME,MATRIX,7,2.1\n");
  EXPECT_EQ(ask("FREQ?"), "${freq} MHz\n");  // nothing remembered yet
  // Accepted commands get no answer: the next answer is the query's.
  SendAll(client.get(), "FREQ 2489.8126098\nPATH A 3\nLEVEL -10 dBm\n");
  EXPECT_EQ(ask("FREQ?"), "2489.8126098 MHz\n");
  EXPECT_EQ(ask("STATE?"), "A/LEVEL -10 dBm/${unknown}\n");  // the first group, else the whole command
  SendAll(client.get(), "FREQ 1E3\n");
  EXPECT_EQ(ask("FREQ?"), "1E3 MHz\n");
  EXPECT_EQ(Programmable(matrix, [](sim::ProgrammableInstrument& p) { return p.Value("freq"); }), "1E3");
  EXPECT_EQ(Programmable(matrix, [](sim::ProgrammableInstrument& p) { return p.Value("nothing"); }),
            std::nullopt);

  // Commands the script does not know: counted, kept, unanswered until a default answer is set.
  SendAll(client.get(), "ROUTE 1\n");
  ASSERT_TRUE(matrix.WaitForCommands(10, kPatience));
  EXPECT_EQ(Programmable(matrix, [](sim::ProgrammableInstrument& p) { return p.UnscriptedCount(); }), 1u);
  ASSERT_EQ(matrix.Set("default-answer", "NAK ${freq}\\r"), "");
  EXPECT_EQ(ask("ROUTE 2"), "NAK 1E3\r\n");
  EXPECT_EQ(Programmable(matrix, [](sim::ProgrammableInstrument& p) { return p.LastUnscripted(); }), "ROUTE 2");

  const nlohmann::json state = matrix.State()["instrument"];
  EXPECT_EQ(state["values"], (nlohmann::json{{"freq", "1E3"}, {"path", "A"}, {"level", "LEVEL -10 dBm"}}));
  EXPECT_EQ(state["unscripted_commands"], 2);
  EXPECT_EQ(state["remember"][0]["hits"], 2);

  // A reset forgets the values, not the script; clear-answers forgets the script.
  matrix.Reset();
  EXPECT_EQ(ask("FREQ?"), "${freq} MHz\n");
  ASSERT_EQ(matrix.Set("clear-answers", ""), "");
  SendAll(client.get(), "*IDN?\n");
  ASSERT_TRUE(matrix.WaitForCommands(13, kPatience));
  ASSERT_EQ(matrix.Set("answer", "PING -> PONG"), "");
  EXPECT_EQ(ask("PING"), "PONG\n");  // nothing came for *IDN?
}

TEST(ProgrammableInstrument, KeepsEveryByteOfCommandsWithEscapedCharacters) {
  const std::string ports = simtest::MakeTempDir("programmable-ports");
  {
    sim::Simulator simulator;
    simulator.SetPortsDirectory(ports);
    // Commands typed with escapes arrive as raw bytes; without a terminator
    // every write is one command.
    sim::Instrument& device = simulator.Add("device", {{"transport", "pty"},
                                                       {"family", "programmable"},
                                                       {"read-terminator", "none"},
                                                       {"write-terminator", "crlf"},
                                                       {"answer-re", "^MOVE\\t(\\d)\\x01$ -> MOVED $1"}});
    simtest::Fd port(::open(device.Endpoint().link.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC));
    ASSERT_TRUE(port.valid());
    termios settings{};
    ASSERT_EQ(tcgetattr(port.get(), &settings), 0);
    cfmakeraw(&settings);
    ASSERT_EQ(tcsetattr(port.get(), TCSANOW, &settings), 0);

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
  std::filesystem::remove_all(ports);
}

}  // namespace
