// Serial instruments on pseudo-terminals linked as COMn into a ports directory.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>

#include "SimTestIo.h"
#include "sim/core/Simulator.h"
#include "support/TestFiles.h"

namespace {

using simtest::OpenSerial;
using simtest::ReadUntil;
using simtest::SendAll;

class Serial : public ::testing::Test {
protected:
  void SetUp() override { simulator_.SetPortsDirectory(ports_); }

  TestDirectory directory_;
  const std::string ports_ = directory_.Path();
  sim::Simulator simulator_;
};

// (Exchanges through the link, and the speed and stop bits a port is opened
// with, are checked through the module's serial port in tests/legacy.)
TEST_F(Serial, TheComLinkNamesTheTerminalAndKeepsWhatItCanOfTheLineSettings) {
  sim::Instrument& meter = simulator_.Add("meter", {{"transport", "pty"}, {"com", "3"}});
  const sim::Endpoint endpoint = meter.Endpoint();
  EXPECT_EQ(endpoint.link, ports_ + "/COM3");
  EXPECT_EQ(endpoint.com, 3);
  EXPECT_EQ(std::filesystem::read_symlink(endpoint.link).string(), endpoint.device);

  // The kernel's pseudo-terminals keep 8 data bits and no parity whatever a
  // client asks for; speed and stop bits are kept and can be checked.
  simtest::Fd port = OpenSerial(endpoint.link, B19200, CS7, true, true);
  ASSERT_TRUE(port.valid());
  const nlohmann::json line = meter.State()["transport_state"]["line"];
  EXPECT_EQ(line["data_bits"], 8);
  EXPECT_EQ(line["parity"], "N");
  EXPECT_EQ(line["canonical"], false);
}

TEST_F(Serial, ComZeroTakesTheLowestFreeNameAndTheLinkGoesAway) {
  std::ofstream(ports_ + "/COM1") << "taken";
  std::string link;
  {
    sim::Simulator simulator;
    simulator.SetPortsDirectory(ports_);
    sim::Instrument& first = simulator.Add("a", {{"transport", "pty"}});
    sim::Instrument& second = simulator.Add("b", {{"transport", "serial"}, {"com", "0"}});
    EXPECT_EQ(first.Endpoint().com, 2);
    EXPECT_EQ(second.Endpoint().com, 3);
    link = second.Endpoint().link;
    EXPECT_TRUE(std::filesystem::is_symlink(link));
  }
  EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(link)));
  EXPECT_TRUE(std::filesystem::is_regular_file(ports_ + "/COM1"));  // not ours: left alone
}

TEST_F(Serial, ErrorsNameTheProblem) {
  std::filesystem::create_directory(ports_ + "/COM5");
  const struct {
    sim::Simulator::Keys keys;
    const char* error;
  } cases[] = {
      {{{"transport", "pty"}, {"com", "5"}}, "not a symbolic link"},
      {{{"transport", "pty"}, {"com", "300"}}, "bad COM number"},
      {{{"transport", "pty"}, {"port", "5"}}, "does not apply to transport pty"},
  };
  for (const auto& each : cases) {
    try {
      simulator_.Add("bad", each.keys);
      ADD_FAILURE() << each.error;
    } catch (const std::invalid_argument& error) {
      EXPECT_NE(std::string(error.what()).find(each.error), std::string::npos) << error.what();
    }
  }
  sim::Simulator withoutPorts;
  EXPECT_THROW(withoutPorts.Add("x", {{"transport", "pty"}, {"com", "2"}}), std::invalid_argument);
  // Without a ports directory and without a COM number the terminal is still usable by its device.
  sim::Instrument& bare = withoutPorts.Add("y", {{"transport", "pty"}});
  EXPECT_EQ(bare.Endpoint().link, "");
  simtest::Fd port = OpenSerial(bare.Endpoint().device);
  SendAll(port.get(), "*OPC?\n");
  EXPECT_EQ(ReadUntil(port.get(), "\n"), "1\n");
}

TEST_F(Serial, RefuseRemovesTheLinkDropLeavesTheLineDeadAndHangupReplacesTheTerminal) {
  sim::Instrument& meter = simulator_.Add("meter", {{"transport", "pty"}, {"com", "6"}, {"idn", "SER,1,2,3"}});
  const std::string link = meter.Endpoint().link;
  meter.SetFault(sim::FaultKind::kRefuse);
  EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(link)));
  meter.ClearFault(sim::FaultKind::kRefuse);
  ASSERT_TRUE(std::filesystem::is_symlink(link));

  simtest::Fd port = OpenSerial(link);
  meter.SetFault(sim::FaultKind::kDrop, 3);
  SendAll(port.get(), "*IDN?\n");
  EXPECT_EQ(simtest::ReadCount(port.get(), 3), "SER");
  ASSERT_TRUE(meter.WaitForCommands(1, std::chrono::milliseconds(simtest::kPatienceMs)));
  EXPECT_EQ(meter.State()["transport_state"]["dead"], true);
  // A dead line takes the bytes but answers nothing; once the fault is off it lives again.
  SendAll(port.get(), "*IDN?\n");
  ASSERT_TRUE(meter.WaitForBytes(12, std::chrono::milliseconds(simtest::kPatienceMs)));
  meter.ClearFault(sim::FaultKind::kDrop);
  SendAll(port.get(), "*OPC?\n");
  EXPECT_EQ(ReadUntil(port.get(), "\n"), "1\n");
  EXPECT_EQ(meter.ReceivedCommands(), (std::vector<std::string>{"*IDN?", "*OPC?"}));

  // A hang-up replaces the terminal behind the same link.
  const sim::Endpoint before = meter.Endpoint();
  meter.Hangup();
  // The old port reports the hang-up: end of file or an error, but no data.
  bool closed = false;
  EXPECT_EQ(simtest::ReadToEnd(port.get(), &closed), "");
  EXPECT_TRUE(closed);
  const sim::Endpoint after = meter.Endpoint();
  EXPECT_EQ(after.link, before.link);
  EXPECT_NE(after.device, before.device);  // (the port opened again answers: tests/legacy)
  EXPECT_EQ(meter.State()["transport_state"]["hangups"], 1);
}

}  // namespace
