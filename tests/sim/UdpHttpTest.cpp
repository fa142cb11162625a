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

TEST(Udp, EachCommandOfADatagramIsAnsweredWithOneDatagram) {
  sim::Simulator simulator;
  sim::Instrument& box = simulator.Add("box", {{"transport", "udp"}, {"idn", "UDP,BOX,1,1"}});
  simtest::Fd client = simtest::ConnectUdp(box.Endpoint().port);
  SendAll(client.get(), "*IDN?\n");
  EXPECT_EQ(simtest::ReceiveDatagram(client.get()), "UDP,BOX,1,1\n");
  // Two commands in one datagram, the last one without terminator.
  SendAll(client.get(), "*OPC?\n*IDN?");
  EXPECT_EQ(simtest::ReceiveDatagram(client.get()), "1\n");
  EXPECT_EQ(simtest::ReceiveDatagram(client.get()), "UDP,BOX,1,1\n");
  EXPECT_EQ(box.ReceivedCommands(), (std::vector<std::string>{"*IDN?", "*OPC?", "*IDN?"}));
  EXPECT_EQ(box.ReceivedBytes(), "*IDN?\n*OPC?\n*IDN?");
  EXPECT_EQ(box.State()["transport_state"]["datagrams"], 2);
}

TEST(Udp, FaultsShapeTheDatagram) {
  sim::Simulator simulator;
  sim::Instrument& box = simulator.Add("box", {{"transport", "udp"}, {"idn", "UDP,BOX,1,1"}});
  simtest::Fd client = simtest::ConnectUdp(box.Endpoint().port);
  box.SetFault(sim::FaultKind::kCutShort, 3);
  SendAll(client.get(), "*IDN?\n");
  EXPECT_EQ(simtest::ReceiveDatagram(client.get()), "UDP");
  box.ClearFaults();
  box.SetFault(sim::FaultKind::kLate, 80);
  const int64_t start = simtest::NowMs();
  SendAll(client.get(), "*OPC?\n");
  EXPECT_EQ(simtest::ReceiveDatagram(client.get()), "1\n");
  EXPECT_GE(simtest::NowMs() - start, 80);
}

TEST(Udp, RefusingClosesThePortAndReopensTheSameOne) {
  sim::Simulator simulator;
  sim::Instrument& box = simulator.Add("box", {{"transport", "udp"}});
  const uint16_t port = box.Endpoint().port;
  simtest::Fd client = simtest::ConnectUdp(port);
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

TEST_F(Http, GetIsAnsweredWithAnHttp11ReplyAndTheConnectionCloses) {
  bool closed = false;
  EXPECT_EQ(Request("GET /status HTTP/1.1\r\n\r\n", &closed),
            "HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nContent-Length: 3\r\n"
            "Connection: close\r\n\r\nOK\n");
  EXPECT_TRUE(closed);
  EXPECT_EQ(Request("GET /*IDN? HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n", &closed),
            "HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nContent-Length: 10\r\n"
            "Connection: close\r\n\r\nWEB,1,2,3\n");
  // Percent escapes are decoded; a command without answer gets an empty body.
  EXPECT_EQ(Request("GET /%2AOPC%3F HTTP/1.0\n\n", &closed).substr(0, 15), "HTTP/1.1 200 OK");
  EXPECT_EQ(Request("GET /*CLS HTTP/1.1\r\n\r\n", &closed),
            "HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nContent-Length: 0\r\n"
            "Connection: close\r\n\r\n");
  EXPECT_EQ(web_->ReceivedCommands(), (std::vector<std::string>{"status", "*IDN?", "*OPC?", "*CLS"}));
  EXPECT_EQ(web_->ReceivedBytes().substr(0, 25), "GET /status HTTP/1.1\r\n\r\nG");
}

TEST_F(Http, BadRequestsGetTheirStatus) {
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
}

TEST_F(Http, WithoutContentLengthTheBodyEndsWithTheLineEnd) {
  ASSERT_EQ(web_->Set("content-length", "no"), "");
  bool closed = false;
  EXPECT_EQ(Request("GET /status HTTP/1.1\r\n\r\n", &closed),
            "HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nConnection: close\r\n\r\nOK\n");
  EXPECT_NE(web_->Set("content-length", "maybe"), "");
}

TEST_F(Http, CutShortStallsAndDropCloses) {
  const std::string head =
      "HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nContent-Length: 10\r\nConnection: close\r\n\r\n";
  web_->SetFault(sim::FaultKind::kCutShort, 3);
  simtest::Fd client = simtest::ConnectTcp(web_->Endpoint().port);
  SendAll(client.get(), "GET /*IDN? HTTP/1.1\r\n\r\n");
  EXPECT_EQ(simtest::ReadCount(client.get(), head.size() + 3), head + "WEB");
  // The server stalls: nothing more, and the connection stays open until the instrument hangs up.
  web_->Hangup();
  bool closed = false;
  EXPECT_EQ(ReadToEnd(client.get(), &closed), "");
  EXPECT_TRUE(closed);

  web_->ClearFaults();
  web_->SetFault(sim::FaultKind::kDrop, 4);
  EXPECT_EQ(Request("GET /*IDN? HTTP/1.1\r\n\r\n", &closed), head + "WEB,");
  EXPECT_TRUE(closed);
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
