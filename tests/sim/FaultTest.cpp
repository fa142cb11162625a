// The switchable faults' own contract: the text form, the order in which
// they combine, a silent instrument that still handles its commands, and
// garbage that repeats for a seed. How each fault looks to a client is
// checked through the module's streams (tests/streams).
#include <gtest/gtest.h>

#include <cerrno>
#include <nlohmann/json.hpp>

#include "InstrumentOverTcp.h"
#include "sim/core/Faults.h"

namespace {

using simtest::ReadCount;
using simtest::ReadUntil;

class Faulty : public simtest::InstrumentOverTcp {
protected:
  void SetUp() override { dmm_ = &Start({{"idn", "ACME,DMM100,1234,1.0"}}); }
  // Sends and waits until the instrument has handled the command, so that a
  // fault switched next cannot reach it first.
  void SendHandled(const std::string& command) {
    const size_t before = dmm_->CommandCount();
    Tell(command);
    ASSERT_TRUE(dmm_->WaitForCommands(before + 1, std::chrono::milliseconds(simtest::kPatienceMs)));
  }

  sim::Instrument* dmm_ = nullptr;
};

const std::string kIdentity = "ACME,DMM100,1234,1.0\n";  // 21 bytes

TEST_F(Faulty, NoAnswerHandlesTheCommandButSendsNothing) {
  dmm_->SetFault(sim::FaultKind::kNoAnswer);
  SendHandled("*IDN?");
  SendHandled("BAD");
  dmm_->ClearFault(sim::FaultKind::kNoAnswer);
  // Answers keep their order on a connection: the first bytes to come belong to this query,
  // so nothing was sent for "*IDN?". "BAD" was still handled: the error is queued.
  Tell("SYST:ERR?");
  EXPECT_EQ(ReadUntil(client_.get(), "\n"), "-113,\"Undefined header\"\n");
  EXPECT_EQ(dmm_->ReceivedCommands(), (std::vector<std::string>{"*IDN?", "BAD", "SYST:ERR?"}));
}

TEST_F(Faulty, GarbageRepeatsForASeed) {
  // (Length, terminator and bytes that differ: RS232Test.SlowAndGarbledAnswers.)
  dmm_->SetFault(sim::FaultKind::kGarbage);
  Tell("*IDN?");
  const std::string first = ReadCount(client_.get(), kIdentity.size());
  ASSERT_EQ(first.size(), kIdentity.size());

  // The same seed gives the same bytes.
  EXPECT_EQ(dmm_->Set("seed", "1"), "");
  Tell("*IDN?");
  EXPECT_EQ(ReadCount(client_.get(), kIdentity.size()), first);
  EXPECT_EQ(dmm_->Set("seed", "2"), "");
  Tell("*IDN?");
  EXPECT_NE(ReadCount(client_.get(), kIdentity.size()), first);
}

TEST_F(Faulty, FaultsCombineInTheirDocumentedOrder) {
  // Stretched to 30 bytes, cut to 5 of them, and late.
  ASSERT_EQ(dmm_->Set("fault", "toolong 30, cut 5, late 50"), "");
  EXPECT_EQ(dmm_->CurrentFaults().Describe(), "late 50, cut 5, toolong 30");
  const int64_t start = simtest::NowMs();
  SendHandled("*IDN?");
  ASSERT_EQ(dmm_->Set("fault", "none"), "");
  Tell("*OPC?");
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
