// Hubline units on a pseudo-terminal linked as COMn: the exchanges of a
// driver over RS-232, byte for byte, and the framework's faults on them.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>

#include "SimTestIo.h"
#include "sim/core/Simulator.h"
#include "sim/hubline/HublineUnit.h"

namespace {

using simtest::ReadUntil;
using simtest::SendAll;

class HublineSerial : public ::testing::Test {
protected:
  void SetUp() override {
    ports_ = simtest::MakeTempDir("hubline-ports");
    simulator_.SetPortsDirectory(ports_);
  }
  void TearDown() override { std::filesystem::remove_all(ports_); }

  // Adds the unit on COM<com> and opens the port raw at 9600 baud, as a driver does.
  void Start(const std::string& com, sim::Simulator::Keys keys) {
    keys.insert(keys.begin(), {{"transport", "pty"}, {"com", com}});
    unit_ = &simulator_.Add("hub", keys);
    port_ = simtest::Fd(::open((ports_ + "/COM" + com).c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC));
    ASSERT_TRUE(port_.valid());
    termios settings{};
    ASSERT_EQ(tcgetattr(port_.get(), &settings), 0);
    cfmakeraw(&settings);
    cfsetispeed(&settings, B9600);
    cfsetospeed(&settings, B9600);
    settings.c_cflag |= CLOCAL | CREAD;
    ASSERT_EQ(tcsetattr(port_.get(), TCSANOW, &settings), 0);
  }
  // Writes the bytes and reads until the reply ends with end.
  std::string Exchange(const std::string& bytes, const std::string& end = "\n") {
    SendAll(port_.get(), bytes);
    return ReadUntil(port_.get(), end);
  }
  template <class F>
  auto Unit(F&& f) {
    return unit_->Access<sim::HublineUnit>(std::forward<F>(f));
  }

  std::string ports_;
  sim::Simulator simulator_;
  sim::Instrument* unit_ = nullptr;
  simtest::Fd port_;
};

TEST_F(HublineSerial, ADirectlyConnectedSwitchAnswersItsDriver) {
  Start("4", {{"family", "hubline"},
              {"unit", "single"},
              {"slot1", "sixway2-ext"},
              {"slot1-idn", "EMSwitch 7001-013"}});
  const struct {
    const char* sent;
    const char* reply;
  } exchanges[] = {
      {"*IDN?\n", "EMSwitch 7001-013\n"},
      {"EXT_RELAY_A_2\n", "OK\n"},
      {"EXT_RELAY_B_5\n", "OK\n"},
      {"INT_RELAY_A_2\n", "ERROR 100\n"},
      {"EXT_RELAY_A_8\n", "-222, \"Data out of range\"\n"},
      {"N11RELAY_1_1\n", "ERROR 103\n"},
      {"LOCAL\n", "OK\n"},
  };
  std::string sentBytes;
  for (const auto& each : exchanges) {
    EXPECT_EQ(Exchange(each.sent), each.reply) << each.sent;
    sentBytes += each.sent;
  }
  EXPECT_EQ(unit_->ReceivedBytes(), sentBytes);
  EXPECT_EQ(Unit([](sim::HublineUnit& unit) { return unit.Card(1)->Position('A'); }), 2);
  EXPECT_EQ(Unit([](sim::HublineUnit& unit) { return unit.Card(1)->Position('B'); }), 5);
  EXPECT_FALSE(Unit([](sim::HublineUnit& unit) { return unit.Remote(); }));
}

TEST_F(HublineSerial, AMultislotUnitServesTheDriversWholeSession) {
  Start("2", {{"family", "hubline"}, {"firmware", "4.0.9"}, {"slot2", "relay2"}, {"slot7", "sixway1"},
              {"slot7-boxes", "4"}});
  // Identification, keyboard lock, card check, switching, error text, return to local.
  const struct {
    const char* sent;
    const char* reply;
  } exchanges[] = {
      {"*IDN?\n", "SWMSIM Hubline multislot unit, version 4.0.9\n"},
      {"SYSTEM:KLOCK 1\n", "OK\n"},
      {"S2:*IDN?\n", "TQS2PA\n"},
      {"S2:INT_RELAY_A_NO\n", "OK\n"},
      {"S2:INT_RELAY_B_NC\n", "OK\n"},
      {"S2:EXT_RELAY_4_ACTIVE\n", "OK\n"},
      {"S7:INT_RELAY_A_4\n", "OK\n"},
      {"S7:N14RELAY_4_6\n", "OK\n"},
      {"S2:INT_RELAY_C_NO\n", "ERROR 102\n"},
      {"EXTRAINFO ERROR 102\n", "No such relay on this card\n"},
      {"S2:INT_RELAY_A?\n", "NO\n"},
      {"SYSTEM:KLOCK 0\n", "OK\n"},
      {"S2:LOCAL\n", "OK\n"},
      {"LOCAL\n", "OK\n"},
  };
  for (const auto& each : exchanges) EXPECT_EQ(Exchange(each.sent), each.reply) << each.sent;
  EXPECT_EQ(Unit([](sim::HublineUnit& unit) { return unit.Card(2)->Relay('A'); }), "NO");
  EXPECT_EQ(Unit([](sim::HublineUnit& unit) { return unit.Card(2)->Output(4); }), "ACTIVE");
  EXPECT_EQ(Unit([](sim::HublineUnit& unit) { return unit.Card(7)->Position('A'); }), 4);
  EXPECT_EQ(Unit([](sim::HublineUnit& unit) { return unit.Card(7)->BoxPosition(4, 4); }), 6);
  EXPECT_FALSE(Unit([](sim::HublineUnit& unit) { return unit.KeyboardLocked(); }));
}

TEST_F(HublineSerial, FaultsShapeTheRepliesAsOnAnyInstrument) {
  Start("5", {{"family", "hubline"}, {"slot1", "relay1"}, {"terminator", "crlf"}});
  // With CR LF framing, a reply ends with CR LF and a lone LF ends nothing.
  EXPECT_EQ(Exchange("S1:INT_RELAY_A?\r\n", "\r\n"), "NC\r\n");

  // Only the first byte of the reply leaves; the next reply follows it.
  unit_->SetFault(sim::FaultKind::kCutShort, 1);
  SendAll(port_.get(), "S1:INT_RELAY_A_NO\r\n");
  ASSERT_TRUE(unit_->WaitForCommands(2, std::chrono::milliseconds(simtest::kPatienceMs)));
  unit_->ClearFaults();
  EXPECT_EQ(Exchange("S1:INT_RELAY_A?\r\n", "\r\n"), "ONO\r\n");

  // A unit that does not answer still switches.
  unit_->SetFault(sim::FaultKind::kNoAnswer);
  SendAll(port_.get(), "S1:INT_RELAY_A_NC\r\n");
  ASSERT_TRUE(unit_->WaitForCommands(4, std::chrono::milliseconds(simtest::kPatienceMs)));
  unit_->ClearFaults();
  EXPECT_EQ(Unit([](sim::HublineUnit& unit) { return unit.Card(1)->Relay('A'); }), "NC");
  EXPECT_EQ(Exchange("S1:INT_RELAY_A?\r\n", "\r\n"), "NC\r\n");
}

}  // namespace
