// The switchable faults, seen from a TCP client, and their text form.
#include <gtest/gtest.h>

#include <cerrno>
#include <nlohmann/json.hpp>

#include "SimTestIo.h"
#include "sim/core/Faults.h"
#include "sim/core/Simulator.h"

namespace {

using simtest::ReadCount;
using simtest::ReadUntil;
using simtest::SendAll;

class Faulty : public ::testing::Test {
protected:
  void SetUp() override {
    dmm_ = &simulator_.Add("dmm", {{"transport", "tcp"}, {"idn", "ACME,DMM100,1234,1.0"}});
    client_ = simtest::ConnectTcp(dmm_->Endpoint().port);
    ASSERT_TRUE(client_.valid());
  }
  void Send(const std::string& command) { SendAll(client_.get(), command + "\n"); }
  // Sends and waits until the instrument has handled the command, so that a
  // fault switched next cannot reach it first.
  void SendHandled(const std::string& command) {
    const size_t before = dmm_->CommandCount();
    Send(command);
    ASSERT_TRUE(dmm_->WaitForCommands(before + 1, std::chrono::milliseconds(simtest::kPatienceMs)));
  }

  sim::Simulator simulator_;
  sim::Instrument* dmm_ = nullptr;
  simtest::Fd client_;
};

const std::string kIdentity = "ACME,DMM100,1234,1.0\n";  // 21 bytes

TEST_F(Faulty, NoAnswerHandlesTheCommandButSendsNothing) {
  dmm_->SetFault(sim::FaultKind::kNoAnswer);
  SendHandled("*IDN?");
  SendHandled("BAD");
  dmm_->ClearFault(sim::FaultKind::kNoAnswer);
  // Answers keep their order on a connection: the first bytes to come belong to this query,
  // so nothing was sent for "*IDN?". "BAD" was still handled: the error is queued.
  Send("SYST:ERR?");
  EXPECT_EQ(ReadUntil(client_.get(), "\n"), "-113,\"Undefined header\"\n");
  EXPECT_EQ(dmm_->ReceivedCommands(), (std::vector<std::string>{"*IDN?", "BAD", "SYST:ERR?"}));
}

TEST_F(Faulty, LateAnswerArrivesNoEarlierThanTheDelay) {
  dmm_->SetFault(sim::FaultKind::kLate, 150);
  const int64_t start = simtest::NowMs();
  Send("*IDN?");
  EXPECT_EQ(ReadUntil(client_.get(), "\n"), kIdentity);
  EXPECT_GE(simtest::NowMs() - start, 150);
  // Later answers never overtake earlier ones.
  dmm_->SetFault(sim::FaultKind::kLate, 100);
  SendHandled("*IDN?");
  dmm_->ClearFault(sim::FaultKind::kLate);
  Send("*OPC?");
  EXPECT_EQ(ReadUntil(client_.get(), "1\n"), kIdentity + "1\n");
}

TEST_F(Faulty, CutShortSendsTheFirstBytesOnlyAndKeepsTheConnection) {
  dmm_->SetFault(sim::FaultKind::kCutShort, 4);
  SendHandled("*IDN?");
  dmm_->ClearFault(sim::FaultKind::kCutShort);
  Send("*OPC?");
  EXPECT_EQ(ReadUntil(client_.get(), "1\n"), "ACME1\n");
  dmm_->SetFault(sim::FaultKind::kCutShort);  // no count: half of the answer
  SendHandled("*IDN?");
  dmm_->ClearFaults();
  Send("*OPC?");
  EXPECT_EQ(ReadUntil(client_.get(), "1\n"), kIdentity.substr(0, 10) + "1\n");
}

TEST_F(Faulty, GarbageKeepsTheLengthAndTheTerminatorAndRepeatsForASeed) {
  dmm_->SetFault(sim::FaultKind::kGarbage);
  Send("*IDN?");
  const std::string first = ReadCount(client_.get(), kIdentity.size());
  ASSERT_EQ(first.size(), kIdentity.size());
  EXPECT_EQ(first.back(), '\n');
  EXPECT_EQ(first.find_first_of("\r\n"), first.size() - 1);
  EXPECT_NE(first, kIdentity);

  // The same seed gives the same bytes.
  EXPECT_EQ(dmm_->Set("seed", "1"), "");
  Send("*IDN?");
  EXPECT_EQ(ReadCount(client_.get(), kIdentity.size()), first);
  EXPECT_EQ(dmm_->Set("seed", "2"), "");
  Send("*IDN?");
  EXPECT_NE(ReadCount(client_.get(), kIdentity.size()), first);
}

TEST_F(Faulty, TooLongStretchesTheAnswerToExactlyNBytes) {
  const struct {
    size_t length;
    std::string expect;
  } cases[] = {
      {25, "ACME,DMM100,1234,1.0ACME,\n"},
      {3, "ACM\n"},
      {0, "\n"},
  };
  for (const auto& each : cases) {
    dmm_->SetFault(sim::FaultKind::kTooLong, each.length);
    Send("*IDN?");
    EXPECT_EQ(ReadUntil(client_.get(), "\n"), each.expect) << each.length;
  }
  dmm_->SetFault(sim::FaultKind::kTooLong, 100000);
  Send("*OPC?");
  const std::string big = ReadUntil(client_.get(), "\n");
  EXPECT_EQ(big.size(), 100001u);
  EXPECT_EQ(big.find_first_not_of('1'), 100000u);
}

TEST_F(Faulty, DropSendsPartOfTheAnswerThenClosesTheConnection) {
  dmm_->SetFault(sim::FaultKind::kDrop, 7);
  Send("*IDN?");
  bool closed = false;
  EXPECT_EQ(simtest::ReadToEnd(client_.get(), &closed), "ACME,DM");
  EXPECT_TRUE(closed);
  // A new connection works, and drops again while the fault is on.
  simtest::Fd again = simtest::ConnectTcp(dmm_->Endpoint().port);
  SendAll(again.get(), "*IDN?\n");
  EXPECT_EQ(simtest::ReadToEnd(again.get(), &closed), "ACME,DM");
  EXPECT_TRUE(closed);
}

TEST_F(Faulty, RefuseTurnsNewClientsAwayUntilSwitchedOff) {
  const uint16_t port = dmm_->Endpoint().port;
  // One exchange first, so that the simulator has taken the connection off the listener.
  Send("*OPC?");
  EXPECT_EQ(ReadUntil(client_.get(), "\n"), "1\n");
  dmm_->SetFault(sim::FaultKind::kRefuse);
  int error = 0;
  EXPECT_FALSE(simtest::ConnectTcp(port, &error).valid());
  EXPECT_EQ(error, ECONNREFUSED);
  // A client that was connected before keeps its connection.
  Send("*OPC?");
  EXPECT_EQ(ReadUntil(client_.get(), "\n"), "1\n");

  dmm_->ClearFault(sim::FaultKind::kRefuse);
  EXPECT_EQ(dmm_->Endpoint().port, port);
  simtest::Fd later = simtest::ConnectTcp(port);
  ASSERT_TRUE(later.valid());
  SendAll(later.get(), "*IDN?\n");
  EXPECT_EQ(ReadUntil(later.get(), "\n"), kIdentity);
}

TEST_F(Faulty, HangupAndRestartEndTheConnectionsAndRestartClearsTheState) {
  Send("BAD");
  Send("*OPC?");
  EXPECT_EQ(ReadUntil(client_.get(), "\n"), "1\n");
  dmm_->Restart();
  bool closed = false;
  simtest::ReadToEnd(client_.get(), &closed);
  EXPECT_TRUE(closed);
  simtest::Fd again = simtest::ConnectTcp(dmm_->Endpoint().port);
  SendAll(again.get(), "SYST:ERR?\n");
  EXPECT_EQ(ReadUntil(again.get(), "\n"), "0,\"No error\"\n");
  EXPECT_EQ(dmm_->CommandCount(), 3u);  // the record survives a restart
}

TEST_F(Faulty, FaultsCombineInTheirDocumentedOrder) {
  // Stretched to 30 bytes, cut to 5 of them, and late.
  ASSERT_EQ(dmm_->Set("fault", "toolong 30, cut 5, late 50"), "");
  EXPECT_EQ(dmm_->CurrentFaults().Describe(), "late 50, cut 5, toolong 30");
  const int64_t start = simtest::NowMs();
  SendHandled("*IDN?");
  ASSERT_EQ(dmm_->Set("fault", "none"), "");
  Send("*OPC?");
  EXPECT_EQ(ReadUntil(client_.get(), "1\n"), "ACME,1\n");
  EXPECT_GE(simtest::NowMs() - start, 50);
  EXPECT_EQ(dmm_->State()["faults"], "none");
}

TEST(FaultText, GoodAndBadTexts) {
  const struct {
    const char* text;
    const char* describe;  // nullptr: refused
    const char* error;
  } cases[] = {
      {"none", "none", ""},
      {"late 200", "late 200", ""},
      {"delay 200", "late 200", ""},
      {"noanswer, garbage", "noanswer, garbage", ""},
      {"cut", "cut", ""},
      {"cut 3, drop 4, toolong 9, refuse", "cut 3, toolong 9, drop 4, refuse", ""},
      {"garbage, garbage off", "none", ""},
      {"LATE 5", "late 5", ""},
      {"late", nullptr, "needs a number"},
      {"toolong", nullptr, "needs a number"},
      {"late x", nullptr, "bad number 'x'"},
      {"late -5", nullptr, "bad number"},
      {"garbage 5", nullptr, "takes no value"},
      {"sparks", nullptr, "unknown fault 'sparks'"},
      {"late 1 2", nullptr, "too many words"},
      {"", nullptr, "empty fault text"},
      {"late 99999999", nullptr, "longer than an hour"},
  };
  for (const auto& each : cases) {
    sim::Faults faults;
    const std::string error = sim::ApplyFaultText(each.text, &faults);
    if (each.describe) {
      EXPECT_EQ(error, "") << each.text;
      EXPECT_EQ(faults.Describe(), each.describe) << each.text;
    } else {
      EXPECT_NE(error.find(each.error), std::string::npos) << each.text << ": " << error;
      EXPECT_FALSE(faults.Any()) << "a refused text changed the faults: " << each.text;
    }
  }
}

}  // namespace
