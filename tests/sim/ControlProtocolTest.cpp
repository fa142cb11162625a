// The control socket: requests and their answer lines.
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <nlohmann/json.hpp>

#include "SimTestIo.h"
#include "sim/core/ControlClient.h"
#include "sim/core/Simulator.h"
#include "support/TestFiles.h"

namespace {

using simtest::Control;

class ControlSocket : public ::testing::Test {
protected:
  void SetUp() override {
    dmm_ = &simulator_.Add("dmm", {{"transport", "tcp"}, {"idn", "ACME,DMM,1,2"}});
    ASSERT_EQ(simulator_.ListenControl(path_), "");
  }
  // The JSON after "ok ".
  nlohmann::json Ok(const std::string& request) {
    const std::string answer = Control(path_, request);
    EXPECT_EQ(answer.substr(0, 3), "ok ") << request << " -> " << answer;
    return nlohmann::json::parse(answer.substr(std::min<size_t>(3, answer.size())), nullptr, false);
  }

  TestDirectory directory_;
  const std::string path_ = directory_.File("ctl");
  sim::Simulator simulator_;
  sim::Instrument* dmm_ = nullptr;
};

TEST_F(ControlSocket, ListStateAndReceivedCommands) {
  EXPECT_EQ(Control(path_, "ping"), "ok \"swmsim\"");
  const nlohmann::json list = Ok("list");
  ASSERT_EQ(list.size(), 1u);
  EXPECT_EQ(list[0]["name"], "dmm");
  EXPECT_EQ(list[0]["transport"], "tcp");
  EXPECT_EQ(list[0]["endpoint"], "127.0.0.1:" + std::to_string(dmm_->Endpoint().port));

  simtest::Fd client = simtest::ConnectTcp(dmm_->Endpoint().port);
  simtest::SendAll(client.get(), "*IDN?\nBAD\xff\n*OPC?\n");
  EXPECT_EQ(simtest::ReadUntil(client.get(), "1\n"), "ACME,DMM,1,2\n1\n");

  const nlohmann::json state = Ok("state dmm");
  EXPECT_EQ(state["commands_received"], 3);
  EXPECT_EQ(state["instrument"]["errors"][0], "-113,\"Undefined header\"");
  EXPECT_EQ(state["instrument"]["idn"], "ACME,DMM,1,2");
  EXPECT_EQ(Ok("state")["dmm"]["name"], "dmm");
  // Bytes above 0x7F come as the characters of the same number.
  EXPECT_EQ(Ok("received dmm"), (nlohmann::json{"*IDN?", "BAD\u00ff", "*OPC?"}));
  EXPECT_EQ(Ok("bytes dmm"), "*IDN?\nBAD\u00ff\n*OPC?\n");
  EXPECT_EQ(Control(path_, "reset-log dmm"), "ok");
  EXPECT_EQ(Ok("received dmm"), nlohmann::json::array());
}

TEST_F(ControlSocket, FaultsAndSettingsChangeTheInstrument) {
  EXPECT_EQ(Control(path_, "fault dmm late 40, cut 2"), "ok \"late 40, cut 2\"");
  EXPECT_EQ(dmm_->CurrentFaults().lateMs, 40u);
  EXPECT_EQ(Control(path_, "fault dmm"), "ok \"late 40, cut 2\"");
  EXPECT_EQ(Control(path_, "fault dmm none"), "ok \"none\"");
  EXPECT_FALSE(dmm_->CurrentFaults().Any());

  EXPECT_EQ(Control(path_, "set dmm idn NEW, MAKER,1,2"), "ok");
  EXPECT_EQ(Control(path_, "set dmm answer MEAS? -> 42"), "ok");
  simtest::Fd client = simtest::ConnectTcp(dmm_->Endpoint().port);
  simtest::SendAll(client.get(), "*IDN?\nMEAS?\n");
  EXPECT_EQ(simtest::ReadUntil(client.get(), "42\n"), "NEW, MAKER,1,2\n42\n");
  EXPECT_EQ(Control(path_, "set dmm port 5"), "error 'port' can only be given when the instrument is added");
  EXPECT_EQ(Control(path_, "set dmm terminator xx"), "error bad terminator 'xx' (lf, cr, crlf, none)");

  EXPECT_EQ(Control(path_, "hangup dmm"), "ok");
  bool closed = false;
  simtest::ReadToEnd(client.get(), &closed);
  EXPECT_TRUE(closed);
}

TEST_F(ControlSocket, BadRequestsAreAnsweredWithAnError) {
  const struct {
    const char* request;
    const char* answer;
  } cases[] = {
      {"jump", "error unknown request 'jump' (try help)"},
      {"state nobody", "error no instrument named nobody"},
      {"received", "error received needs an instrument name"},
      {"hangup dmm now", "error hangup takes only an instrument name"},
      {"set dmm", "error set needs a key"},
      {"set dmm idn A\rfault dmm noanswer", "error control character 0x0D in the request (one request per line)"},
      {"set dmm idn \x1b[2J", "error control character 0x1B in the request (one request per line)"},
  };
  for (const auto& each : cases) EXPECT_EQ(Control(path_, each.request), each.answer);
  EXPECT_EQ(Ok("help").size(), 13u);
  // Several requests on one connection, answered in order.
  simtest::Fd session = simtest::ConnectUnixSocket(path_);
  simtest::SendAll(session.get(), "ping\r\n\nping\n");
  EXPECT_EQ(simtest::ReadUntil(session.get(), "\"\nok \"swmsim\"\n"), "ok \"swmsim\"\nok \"swmsim\"\n");
}

TEST(ControlStop, StopEndsTheLoopAndDestructionRemovesTheSocketWhichAClientThenReportsMissing) {
  TestDirectory directory;
  const std::string path = directory.File("ctl");
  uint16_t port = 0;
  {
    sim::Simulator simulator;
    port = simulator.Add("dmm", {{"transport", "tcp"}}).Endpoint().port;
    ASSERT_EQ(simulator.ListenControl(path), "");
    std::string answer, error;
    ASSERT_TRUE(sim::SendControlRequest(path, "stop", &answer, &error)) << error;
    EXPECT_EQ(answer, "ok");
    simulator.Wait();  // returns because the loop stopped
    EXPECT_TRUE(std::filesystem::exists(path));
  }
  EXPECT_FALSE(std::filesystem::exists(path));
  int error = 0;
  EXPECT_FALSE(simtest::ConnectTcp(port, &error).valid());
  EXPECT_EQ(error, ECONNREFUSED);
  // A client finds the socket missing and says so.
  std::string answer, text;
  EXPECT_FALSE(sim::SendControlRequest(path, "ping", &answer, &text));
  EXPECT_NE(text.find("connect"), std::string::npos) << text;
}

}  // namespace
