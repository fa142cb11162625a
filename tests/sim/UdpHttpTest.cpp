// Instruments on UDP and on HTTP.
#include <gtest/gtest.h>

#include <cerrno>
#include <nlohmann/json.hpp>

#include "SimTestIo.h"
#include "sim/core/HttpBinding.h"
#include "sim/core/Simulator.h"

namespace {

using simtest::ReadToEnd;
using simtest::SendAll;

TEST(Udp, EachCommandOfADatagramIsAnsweredWithOneDatagramAndARefusingPortReopensAsItWas) {
  sim::Simulator simulator;
  sim::Instrument& box = simulator.Add("box", {{"transport", "udp"}, {"idn", "UDP,BOX,1,1"}});
  simtest::Fd client = simtest::ConnectUdp(box.Endpoint().port);
  // Two commands in one datagram, the last one without terminator. (One
  // command a datagram: UdpStream tests.)
  SendAll(client.get(), "*OPC?\n*IDN?");
  EXPECT_EQ(simtest::ReceiveDatagram(client.get()), "1\n");
  EXPECT_EQ(simtest::ReceiveDatagram(client.get()), "UDP,BOX,1,1\n");
  EXPECT_EQ(box.ReceivedCommands(), (std::vector<std::string>{"*OPC?", "*IDN?"}));
  EXPECT_EQ(box.ReceivedBytes(), "*OPC?\n*IDN?");
  EXPECT_EQ(box.State()["transport_state"]["datagrams"], 1);

  // Refusing closes the port; cleared, the fault reopens the same one.
  const uint16_t port = box.Endpoint().port;
  box.SetFault(sim::FaultKind::kRefuse);
  SendAll(client.get(), "*OPC?\n");
  // The closed port answers with an ICMP refusal, which a connected socket reports.
  int error = 0;
  EXPECT_EQ(simtest::ReceiveDatagram(client.get(), simtest::kPatienceMs, &error), "");
  EXPECT_EQ(error, ECONNREFUSED);
  box.ClearFault(sim::FaultKind::kRefuse);
  EXPECT_EQ(box.Endpoint().port, port);
  SendAll(client.get(), "*OPC?\n");
  EXPECT_EQ(simtest::ReceiveDatagram(client.get()), "1\n");
}

class Http : public ::testing::Test {
protected:
  void SetUp() override {
    web_ = &simulator_.Add("web", {{"transport", "http"}, {"idn", "WEB,1,2,3"}, {"answer", "status -> OK"}});
  }
  // One request on a fresh connection; the whole reply up to the server's close.
  std::string Request(const std::string& request, bool* closed) {
    simtest::Fd client = simtest::ConnectTcp(web_->Endpoint().port);
    SendAll(client.get(), request);
    return ReadToEnd(client.get(), closed);
  }

  sim::Simulator simulator_;
  sim::Instrument* web_ = nullptr;
};

TEST_F(Http, BadRequestsGetTheirStatusAndABodyWithoutContentLengthEndsWithTheLineEnd) {
  const struct {
    const char* request;
    const char* status;
  } cases[] = {
      {"POST /x HTTP/1.1\r\n\r\n", "HTTP/1.1 405 Method Not Allowed\r\nAllow: GET\r\n"},
      {"GET\r\n\r\n", "HTTP/1.1 400 Bad Request\r\n"},
      {"GET /x SPDY/3\r\n\r\n", "HTTP/1.1 400 Bad Request\r\n"},
  };
  for (const auto& each : cases) {
    bool closed = false;
    const std::string reply = Request(each.request, &closed);
    EXPECT_EQ(reply.substr(0, std::string(each.status).size()), each.status) << each.request;
    EXPECT_TRUE(closed);
  }
  EXPECT_TRUE(web_->ReceivedCommands().empty());
  bool closed = false;
  const std::string huge = "GET /" + std::string(70000, 'a');
  EXPECT_EQ(Request(huge, &closed).substr(0, 12), "HTTP/1.1 431");

  // Without a content length the body of a good request ends with the line end.
  ASSERT_EQ(web_->Set("content-length", "no"), "");
  EXPECT_EQ(Request("GET /status HTTP/1.1\r\n\r\n", &closed),
            "HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nConnection: close\r\n\r\nOK\n");
  EXPECT_NE(web_->Set("content-length", "maybe"), "");
}

TEST(HttpTarget, LeadingSlashAndPercentEscapes) {
  EXPECT_EQ(sim::HttpTargetToCommand("/status"), "status");
  EXPECT_EQ(sim::HttpTargetToCommand("status"), "status");
  EXPECT_EQ(sim::HttpTargetToCommand("//x"), "/x");
  EXPECT_EQ(sim::HttpTargetToCommand("/a%20b%2fc"), "a b/c");
  EXPECT_EQ(sim::HttpTargetToCommand("/100%"), "100%");
  EXPECT_EQ(sim::HttpTargetToCommand("/%zz"), "%zz");
  EXPECT_EQ(sim::HttpTargetToCommand("/q?x=1"), "q?x=1");
}

}  // namespace
