// The replay family: the matcher's rules over recorded exchanges, and a
// replayed instrument on TCP answering from a capture file byte for byte,
// with its unasked output and its state.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "InstrumentOverTcp.h"
#include "HislipClient.h"
#include "sim/replay/ReplayInstrument.h"
#include "sim/replay/ReplayScript.h"
#include "support/TestFiles.h"

namespace {
using Transfers = std::vector<sim::CapturedTransfer>;

sim::CapturedTransfer Sent(int64_t t, std::string bytes) { return {t, true, std::move(bytes)}; }
sim::CapturedTransfer Got(int64_t t, std::string bytes) { return {t, false, std::move(bytes)}; }

struct MatchCase {
  const char* name;
  Transfers recorded;
  std::vector<std::string> asked;
  std::vector<std::string> answers;  // "-" for no answer
  std::string state;                  // position matched repeated skipped unmatched first_unmatched
};

TEST(ReplayMatcher, FollowsTheRecordingAndReportsWhatItNeverSaw) {
  const Transfers poll = {Sent(0, "GO 5\n"),  Got(1, "OK\n"),  Sent(2, "POS?\n"), Got(3, "1\n"),
                          Sent(4, "POS?\n"),  Got(5, "3\n"),   Sent(6, "POS?\n"), Got(7, "5\n"),
                          Sent(8, "STOP\n"),  Got(9, "OK\n")};
  const std::vector<MatchCase> cases = {
      {"in order, terminators of any line end",
       {Sent(0, "*IDN?\r\n"), Got(2, "ACME\r\n"), Sent(3, "A\n"), Sent(4, "B"), Got(5, "b")},
       {"*IDN?", "A", "B"},
       {"ACME\r\n", "-", "b"},
       "3 3 0 0 0 null"},
      {"binary commands and answers keep every byte",
       {Sent(0, std::string("\x01\x00\xff", 3)), Got(1, std::string("\x00\x0a", 2))},
       {std::string("\x01\x00\xff", 3)},
       {std::string("\x00\x0a", 2)},
       "1 1 0 0 0 null"},
      {"a poll loop that ends sooner skips the rest of it", poll, {"GO 5", "POS?", "STOP"}, {"OK\n", "1\n", "OK\n"},
       "5 3 0 2 0 null"},
      {"a poll loop that runs longer gets the last answer again", poll,
       {"GO 5", "POS?", "POS?", "POS?", "POS?", "STOP"}, {"OK\n", "1\n", "3\n", "5\n", "5\n", "OK\n"},
       "5 5 1 0 0 null"},
      {"a query asked twice gets its answer twice",
       {Sent(0, "*IDN?\n"), Got(1, "ACME\n"), Sent(2, "R1\n"), Sent(3, "R2\n")},
       {"*IDN?", "*IDN?", "R1", "R2"},
       {"ACME\n", "ACME\n", "-", "-"},
       "3 3 1 0 0 null"},
      {"a changed command is unmatched and the next one finds its place again",
       {Sent(0, "R1 ON\n"), Sent(1, "R2 ON\n"), Sent(2, "R3 ON\n"), Sent(3, "R2 OFF\n"), Sent(4, "Q?\n"), Got(5, "0\n")},
       {"R1 ON", "R2 OFF", "R3 ON", "Q?"},
       {"-", "-", "-", "0\n"},
       "5 3 0 2 1 \"R2 OFF\""},
      {"after an unmatched command the next one finds its place however far ahead",
       {Sent(0, "A\n"), Sent(1, "B\n"), Sent(2, "C\n"), Sent(3, "D?\n"), Got(4, "4\n"), Sent(5, "E\n"),
        Sent(6, "B2\n")},
       {"A", "B2", "D?", "E", "C"},
       {"-", "-", "4\n", "-", "-"},
       "5 3 1 2 1 \"B2\""},
      {"a command never recorded is unmatched; later ones still match",
       {Sent(0, "A?\n"), Got(1, "1\n"), Sent(2, "B?\n"), Got(3, "2\n")},
       {"X?", "A?", "Y?", "B?"},
       {"-", "1\n", "-", "2\n"},
       "2 2 0 0 2 \"X?\""},
      {"reads after the answer are unasked, not a second answer",
       {Sent(0, "MOVE\n"), Got(1, "OK\n"), Got(900, "DONE\n"), Sent(950, "Q?\n"), Got(951, "7\n")},
       {"MOVE", "Q?"},
       {"OK\n", "7\n"},
       "2 2 0 0 0 null"},
  };
  for (const MatchCase& c : cases) {
    sim::ReplayScript script(c.recorded);
    std::vector<std::string> answers;
    for (const std::string& command : c.asked) answers.push_back(script.Match(command).answer.value_or("-"));
    EXPECT_EQ(answers, c.answers) << c.name;
    const nlohmann::json state = script.State();
    std::string summary;
    for (const char* key : {"position", "matched", "repeated", "skipped", "unmatched", "first_unmatched"})
      summary += (summary.empty() ? "" : " ") + state[key].dump();
    EXPECT_EQ(summary, c.state) << c.name;
  }
  // The unasked output of the last case comes with its step, at its offset.
  sim::ReplayScript script(cases.back().recorded);
  const sim::ReplayMatch move = script.Match("MOVE");
  ASSERT_EQ(move.unasked.size(), 1u);
  EXPECT_EQ(move.unasked[0].afterMs, 900);
  EXPECT_EQ(move.unasked[0].bytes, "DONE\n");
}

using ReplayOverTcp = simtest::InstrumentOverTcp;

TEST_F(ReplayOverTcp, AnswersFromTheCaptureSendsTheUnaskedOutputAndShowsItsState) {
  TestDirectory directory;
  const std::string capture = directory.File("bench.capture");
  WriteFile(capture,
            "{\"format\":\"swmsim-capture\",\"version\":1}\n"
            "{\"t\":0,\"instrument\":\"127.0.0.1:5025\",\"dir\":\"sent\",\"hex\":\"4d4f56450a\",\"text\":\"MOVE\\\\n\"}\n"
            "{\"t\":0,\"instrument\":\"COM3\",\"dir\":\"sent\",\"hex\":\"580a\"}\n"
            "{\"t\":2,\"instrument\":\"127.0.0.1:5025\",\"dir\":\"received\",\"hex\":\"4f4b0d0a\"}\n"
            "{\"t\":30,\"instrument\":\"127.0.0.1:5025\",\"dir\":\"received\",\"hex\":\"444f4e450d0a\"}\n");
  sim::Instrument& replay = Start({{"family", "replay"}, {"capture", capture}, {"source", "127.0.0.1:5025"}});
  std::vector<std::string> reported;
  replay.Access<sim::ReplayInstrument>([&](sim::ReplayInstrument& family) {
    family.OnFirstUnmatched([&](const std::string& line) { reported.push_back(line); });
  });
  // A command the capture never saw ends the exchange at once: the error
  // answer with the recorded line end, or the one configured.
  EXPECT_EQ(Ask("MOVE AGAIN"), "ERROR 100\r\n");
  EXPECT_EQ(Ask("MOVE"), "OK\r\n");  // the answer as recorded: no terminator of the simulator's own
  EXPECT_EQ(simtest::ReadUntil(client_.get(), "\n"), "DONE\r\n");
  ASSERT_EQ(replay.Set("unmatched", "\\x15NAK\\n"), "");
  EXPECT_EQ(Ask("STOP"), "\x15NAK\n");
  const nlohmann::json state = replay.State()["instrument"];
  EXPECT_EQ(state["matched"], 1);
  EXPECT_EQ(state["unmatched"], 2);
  EXPECT_EQ(state["first_unmatched"], "MOVE AGAIN");
  EXPECT_EQ(state["unasked_sent"], 1);
  EXPECT_EQ(reported, std::vector<std::string>{
                          "\"MOVE AGAIN\" is not in the capture (it expected \"MOVE\\n\" at step 1 of 1)"});
  // Silent as before when asked to be.
  ASSERT_EQ(replay.Set("unmatched", "none"), "");
  Tell("STOP");
  Tell("MOVE");
  EXPECT_EQ(simtest::ReadUntil(client_.get(), "\n"), "OK\r\n");

  // On UDP the unasked output goes to the sender of the last command.
  sim::Simulator other;
  sim::Instrument& udp =
      other.Add("u", {{"transport", "udp"}, {"family", "replay"}, {"capture", capture}, {"source", "127.0.0.1:5025"}});
  const simtest::Fd datagrams = simtest::ConnectUdp(udp.Endpoint().port);
  ASSERT_TRUE(simtest::SendAll(datagrams.get(), "MOVE\n"));
  EXPECT_EQ(simtest::ReceiveDatagram(datagrams.get()), "OK\r\n");
  EXPECT_EQ(simtest::ReceiveDatagram(datagrams.get()), "DONE\r\n");
  // On HiSLIP both come as DataEnd messages on the synchronous channel.
  sim::Instrument& hislip = other.Add(
      "h", {{"transport", "hislip"}, {"port", "0"}, {"family", "replay"}, {"capture", capture}, {"source", "127.0.0.1:5025"}});
  hisliptest::HislipClient session(hislip.Endpoint().port);
  EXPECT_EQ(session.Query("MOVE\n"), "OK\r\n");
  EXPECT_EQ(session.Receive(hisliptest::kSync)->payload, "DONE\r\n");

  // A wrong source names the instruments the capture has; a newer format is refused.
  auto addError = [&](const std::string& source) {
    std::string error;
    EXPECT_EQ(other.Add("x", {{"transport", "tcp"}, {"family", "replay"}, {"capture", capture}, {"source", source}},
                        &error),
              nullptr);
    return error;
  };
  EXPECT_NE(addError("COM4").find("has no instrument 'COM4' (it has: 127.0.0.1:5025, COM3)"), std::string::npos)
      << addError("COM4");
  WriteFile(capture, "{\"format\":\"swmsim-capture\",\"version\":2}\n");
  EXPECT_NE(addError("COM3").find("capture version 2 is not known"), std::string::npos) << addError("COM3");
}
}  // namespace
