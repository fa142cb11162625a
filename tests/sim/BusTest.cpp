// The simulated bus socket, spoken the way the simulated vendor libraries will.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "SimTestIo.h"
#include "sim/core/BusServer.h"
#include "sim/core/Simulator.h"
#include "support/TestFiles.h"

namespace {

using simtest::ReadCount;
using simtest::SendAll;

class Bus : public ::testing::Test {
protected:
  void SetUp() override {
    simulator_.SetBoardAddress(0);
    ASSERT_EQ(simulator_.ListenBus(directory_.File("bus")), "");
    simulator_.Add("dmm", {{"transport", "gpib"}, {"address", "5"}, {"idn", "GPIB,DMM,1,2"}});
    session_ = simtest::ConnectUnixSocket(directory_.File("bus"));
    ASSERT_TRUE(session_.valid());
  }

  std::string Request(const std::string& line) {
    SendAll(session_.get(), line + "\n");
    return simtest::ReadLine(session_.get());
  }
  std::string Write(const std::string& resource, const std::string& bytes) {
    return Request("write " + resource + " " + std::to_string(bytes.size()) + "\n" + bytes);
  }
  // A read request: the answer line and, after it, the bytes it announces.
  std::string Read(const std::string& resource, size_t count, int timeoutMs) {
    std::string line = Request("read " + resource + " " + std::to_string(count) + " " +
                               std::to_string(timeoutMs));
    const size_t space = line.find(' ');
    if (space == std::string::npos) return line;
    const size_t length = std::stoul(line.substr(space + 1));
    return line + ReadCount(session_.get(), length);
  }

  TestDirectory directory_;
  sim::Simulator simulator_;
  simtest::Fd session_;
};

// (Waiting for the request is driven through the GPIB library's ibwait and the
// service-request library in tests/legacy, the poll that ends it through ibrsp.)
TEST_F(Bus, TheStatusByteAfterAServiceRequest) {
  EXPECT_EQ(Write("GPIB0::5::INSTR", "*CLS;*ESE 1;*SRE 32;*OPC\n"), "ok 25\n");
  EXPECT_EQ(Request("poll GPIB0::5::INSTR"), "ok 96\n");  // event summary and request service
  EXPECT_EQ(Request("srq GPIB0"), "ok 0\n");               // the poll cleared the request
  EXPECT_EQ(Request("poll GPIB0::5::INSTR"), "ok 32\n");
  // Message available (16) is part of the status byte while an answer waits;
  // reading the event register cleared the event summary.
  Write("GPIB0::5::INSTR", "*ESR?\n");
  EXPECT_EQ(Request("poll GPIB0::5::INSTR"), "ok 16\n");
  EXPECT_EQ(Read("GPIB0::5::INSTR", 100, 1000), "ok 2 1\n1\n");
  EXPECT_EQ(Request("poll GPIB0::5::INSTR"), "ok 0\n");
}

TEST_F(Bus, ADeviceWaitStateAndSettingsOfOneResource) {
  // A LAN resource (no board) whose operation complete is held until released.
  simulator_.Add("lan", {{"transport", "visa"}, {"resource", "TCPIP0::10.0.0.7::INSTR"}, {"hold-operation-complete", "yes"}});
  EXPECT_EQ(Write("TCPIP::10.0.0.7::INSTR", "*ESE 1;*SRE 32;*OPC\n"), "ok 20\n");
  EXPECT_EQ(Request("waitrqs TCPIP0::10.0.0.7::INSTR 20"), "timeout\n");
  SendAll(session_.get(), "waitrqs TCPIP0::10.0.0.7::INSTR 5000\n");
  simtest::Fd other = simtest::ConnectUnixSocket(directory_.File("bus"));
  SendAll(other.get(), "set TCPIP0::10.0.0.7::INSTR hold-operation-complete no\n");
  EXPECT_EQ(simtest::ReadLine(other.get()), "ok\n");
  EXPECT_EQ(simtest::ReadLine(session_.get()), "ok 96\n");  // the wait's poll ends the request
  EXPECT_EQ(Request("poll TCPIP0::10.0.0.7::INSTR"), "ok 32\n");
  const std::string state = Request("state TCPIP0::10.0.0.7::INSTR");
  ASSERT_TRUE(state.starts_with("ok {")) << state;
  const nlohmann::json parsed = nlohmann::json::parse(state.substr(3));
  EXPECT_EQ(parsed["name"], "lan");
  EXPECT_EQ(parsed["instrument"]["esr"], 1);
  EXPECT_EQ(parsed["instrument"]["operation_pending"], false);
  EXPECT_EQ(Request("set TCPIP0::10.0.0.7::INSTR idn A B C"), "ok\n");
  EXPECT_EQ(Write("TCPIP0::10.0.0.7::INSTR", "*IDN?\n"), "ok 6\n");
  EXPECT_EQ(Read("TCPIP0::10.0.0.7::INSTR", 100, 1000), "ok 6 1\nA B C\n");
  EXPECT_EQ(Request("set TCPIP0::10.0.0.7::INSTR transport tcp"),
            "error badvalue 'transport' can only be given when the instrument is added\n");
  EXPECT_EQ(Request("set TCPIP0::10.0.0.7::INSTR idn"), "error badrequest set needs a key and a value\n");
  EXPECT_EQ(Request("waitrqs TCPIP0::10.0.0.9::INSTR 10"), "error nodevice TCPIP0::10.0.0.9::INSTR\n");
}

TEST_F(Bus, AnMpsseChipAnswersPinReadsDataAndBadCommands) {
  sim::Instrument& chip = simulator_.Add("chip", {{"family", "ftdi"}, {"transport", "visa"}, {"resource", "FTDI::FT1"}});
  struct Case {
    std::string written, answered;
  };
  // (A bad command's echo, and the pin states after the opening: D2xxStream tests.)
  const Case cases[] = {
      {std::string("\x80\x35\xF3\x82", 4), ""},  // low pins set; the high-pin command goes on below
      {std::string("\x0A\x0B\x81\x02\x83", 5), std::string("\x35\xFA\x02\x0A", 4)},
      {std::string("\x84\x31\x01\x00\x5A\xA5\x85\x20\x00\x00", 10), std::string("\x5A\xA5\xFF", 3)},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Write("FTDI::FT1", c.written), "ok " + std::to_string(c.written.size()) + "\n");
    const std::string expected =
        c.answered.empty() ? "timeout 0\n" : "ok " + std::to_string(c.answered.size()) + " 1\n" + c.answered;
    EXPECT_EQ(Read("FTDI::FT1", 100, 0), expected);
  }
  EXPECT_EQ(chip.State()["instrument"]["bad_commands"], nlohmann::json({0x02}));
  EXPECT_EQ(chip.Set("fail", "FT_Open 2"), "");
  EXPECT_EQ(chip.Set("sync", "silent"), "");
  EXPECT_EQ(chip.State()["instrument"]["fail"], nlohmann::json({{"FT_Open", 2}}));
  EXPECT_EQ(Write("FTDI::FT1", "\xAB"), "ok 1\n");
  EXPECT_EQ(Read("FTDI::FT1", 100, 0), "timeout 0\n");
}

TEST_F(Bus, BoardCommandsAndErrors) {
  sim::Instrument& second = simulator_.Add("psu", {{"transport", "gpib"}, {"address", "7"}});
  sim::Instrument& lan = simulator_.Add("lan", {{"transport", "visa"}, {"resource", "TCPIP::10.1.2.3::INSTR"}});
  EXPECT_EQ(Request("list"), "ok GPIB0::5::INSTR GPIB0::7::INSTR TCPIP0::10.1.2.3::INSTR\n");
  Write("GPIB0::7::INSTR", "*IDN?\n");
  // Local lockout and device clear for every device of the board.
  EXPECT_EQ(Request(std::string("command GPIB0 2\n") + "\x11\x14"), "ok 2\n");
  EXPECT_EQ(second.State()["transport_state"]["lockout"], true);
  EXPECT_EQ(second.State()["transport_state"]["device_clears"], 1);
  EXPECT_EQ(Read("GPIB0::7::INSTR", 100, 20), "timeout 0\n");
  EXPECT_EQ(Request("ifc GPIB0"), "ok\n");
  EXPECT_EQ(second.State()["transport_state"]["lockout"], false);
  // (Going to local: NI488GPIBTest, whose closing device does it.)
  EXPECT_EQ(Request("trigger GPIB0::7::INSTR"), "ok\n");
  EXPECT_EQ(second.State()["instrument"]["triggers"], 1);
  EXPECT_EQ(Write("tcpip0::10.1.2.3::instr", "*OPC?\n"), "ok 6\n");
  EXPECT_EQ(Read("TCPIP0::10.1.2.3::INSTR", 10, 1000), "ok 2 1\n1\n");
  EXPECT_EQ(lan.Endpoint().transport, sim::TransportKind::kVisa);

  const struct {
    const char* request;
    const char* answer;
  } errors[] = {
      {"find GPIB0::8::INSTR", "error nodevice GPIB0::8::INSTR\n"},
      {"board GPIB9", "error noboard GPIB9\n"},
      {"srq COM1", "error noboard COM1\n"},
      {"fly GPIB0::5::INSTR", "error badrequest unknown request fly\n"},
      {"read GPIB0::5::INSTR ten 5", "error badrequest read needs a byte count and a time-out\n"},
      {"write GPIB0::5::INSTR", "error badrequest write needs a byte count\n"},
  };
  for (const auto& each : errors) EXPECT_EQ(Request(each.request), each.answer) << each.request;
  EXPECT_EQ(Request("hello"), "ok swmsim-bus 1\n");  // the session survives bad requests

  EXPECT_THROW(simulator_.Add("twin", {{"transport", "gpib"}, {"address", "5"}}), std::invalid_argument);
}

TEST(BusResource, NamesAreNormalised) {
  EXPECT_EQ(sim::NormaliseResource("gpib::5::instr"), "GPIB0::5::INSTR");
  EXPECT_EQ(sim::NormaliseResource("GPIB1::5::INSTR"), "GPIB1::5::INSTR");
  EXPECT_EQ(sim::NormaliseResource("tcpip::1.2.3.4::inst0::INSTR"), "TCPIP0::1.2.3.4::INST0::INSTR");
  EXPECT_EQ(sim::NormaliseResource("ASRL3::INSTR"), "ASRL3::INSTR");
}

}  // namespace
