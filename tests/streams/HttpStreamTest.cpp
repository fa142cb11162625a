// The HTTP transport: when a reply is complete and its body, and against a
// simulated web instrument one GET request per command, the body as the
// answer, faults, and a server that would keep the connection open (with
// what every network transport does in NetworkStreamsTest.cpp).
#include <gtest/gtest.h>

#include "streams/SimulatedInstrument.h"
#include "streams/http/HTTPDeviceStream.h"
#include "streams/http/HttpReply.h"

namespace {
TEST(HttpReply, CompleteWhenTheAnnouncedLengthOrALineEndHasArrived) {
  ASSERT_TRUE(EnsureWxRuntime());
  struct Case {
    const char* name;
    std::string reply;
    bool complete;
    std::string body;
  };
  const Case cases[] = {
      {"length reached", "HTTP/1.1 200 OK\r\nContent-Length: 3\r\n\r\nabc", true, "abc"},
      {"length not reached", "HTTP/1.1 200 OK\r\nContent-Length: 4\r\n\r\nabc", false, "abc"},
      {"length without blank", "HTTP/1.1 200 OK\r\nContent-Length:2\r\n\r\nab", true, "ab"},
      {"zero length", "HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n", true, ""},
      {"length on a later line", "HTTP/1.1 200 OK\r\nServer: x\r\nContent-Length: 2\r\n\r\nab", true, "ab"},
      {"header incomplete", "HTTP/1.1 200 OK\r\nContent-Length: 0\r\n", false, ""},
      {"no length, line end", "HTTP/1.1 200 OK\r\n\r\n1.5\n", true, "1.5\n"},
      {"no length, carriage return", "HTTP/1.1 200 OK\r\n\r\n1.5\r", true, "1.5\r"},
      {"no length, no line end", "HTTP/1.1 200 OK\r\n\r\n1.5", false, "1.5"},
      {"no length, empty body", "HTTP/1.1 200 OK\r\n\r\n", false, ""},
      {"length only at a line start", "HTTP/1.1 200 OK\r\nX-Content-Length: 1\r\n\r\nab", false, "ab"},
      {"old server, bare line ends", "HTTP/1.0 200 OK\nContent-Length: 2\n\nab", true, "ab"},
      {"new server, bare line ends", "HTTP/1.1 200 OK\nContent-Length: 2\n\nab", false, ""},
      {"blank line inside the body", "HTTP/1.1 200 OK\r\nContent-Length: 6\r\n\r\na\r\n\r\nb", true, "a\r\n\r\nb"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(HttpReply::IsComplete(c.reply), c.complete);
    EXPECT_EQ(HttpReply::Body(c.reply), c.body);
  }
}

// (Commands with and without their slash: HttpStream.EachCommandIsOneGetRequestAndItsBodyTheAnswer.)
TEST(HttpReply, AnEmptyCommandRequestsTheRoot) {
  EXPECT_EQ(HTTPDeviceStream::Request("", "10.0.0.7:80"),
            "GET / HTTP/1.1\r\nHost: 10.0.0.7:80\r\nConnection: close\r\n\r\n");
}

TEST(HttpStream, EachCommandIsOneGetRequestAndItsBodyTheAnswer) {
  for (const char* contentLength : {"yes", "no"}) {
    SCOPED_TRACE(contentLength);
    SimulatedInstrument bench("HTTP", {{"transport", "http"}, {"idn", kDmmIdn}, {"content-length", contentLength}});
    ASSERT_EQ(bench.client.ConnectStream(0, true), 0u);
    auto transport = std::dynamic_pointer_cast<HTTPDeviceStream>(bench.client.TransportStream());
    ASSERT_TRUE(transport);
    std::string answer;
    ASSERT_EQ(bench.client.WriteRead(0, "*IDN?", answer, 100, 1), 0u);
    EXPECT_EQ(answer, std::string(kDmmIdn) + "\n");
    EXPECT_EQ(transport->LastReply().rfind("HTTP/1.1 200 OK\r\n", 0), 0u) << transport->LastReply();
    // The body was handed out: the next read says so.
    EXPECT_EQ(bench.client.Read(0, answer, 100), networkstatus::kAllHttpDataRead);
    ASSERT_EQ(bench.client.WriteRead(0, "/*OPC?", answer, 100, 1), 0u);
    EXPECT_EQ(answer, "1\n");
    const std::string head = " HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(bench.port) + "\r\nConnection: close\r\n\r\n";
    EXPECT_EQ(bench.dmm.ReceivedBytes(), "GET /*IDN?" + head + "GET /*OPC?" + head);
    EXPECT_EQ(bench.dmm.ReceivedCommands(), (std::vector<std::string>{"*IDN?", "*OPC?"}));
    EXPECT_TRUE(bench.client.IsConnected());
  }
}

// A status outside 2xx, or no reply at all, fails the exchange; the text
// carries the status line and the server.
TEST(HttpStream, ErrorStatusesAndSilenceFailTheExchange) {
  struct Case {
    const char* status;  // the server's status line, or "" for a server that never answers
    Status expected;
    std::string text;
  };
  const Case cases[] = {
      {"500 Internal Server Error", networkstatus::kHttpStatus, "HTTP 500 Internal Server Error from 127.0.0.1:"},
      {"404 Not Found", networkstatus::kHttpStatus, "HTTP 404 Not Found from 127.0.0.1:"},
      {"", streamstatus::kReadTimedOut, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.status);
    SimulatedInstrument bench("HTTP", {{"transport", "http"}, {"idn", kDmmIdn}}, 0.3);
    if (*c.status) bench.dmm.Set("http-status", c.status);
    else bench.dmm.SetFault(sim::FaultKind::kNoAnswer);
    ASSERT_EQ(bench.client.ConnectStream(0, true), 0u);
    // A command that only writes fails on the status too (a silent instrument still answers it, with 200).
    if (*c.status) {
      EXPECT_EQ(bench.client.Write(0, "SET", false), c.expected) << "a command that only writes";
    }
    std::string answer;
    EXPECT_EQ(bench.client.WriteRead(0, "*IDN?", answer, 100, 1), c.expected);
    std::string text;
    bench.client.GetErrorString(0, c.expected, text);
    if (!c.text.empty()) {
      EXPECT_EQ(text, c.text + std::to_string(bench.port)) << text;
    }
    bench.client.DisconnectStream(0);
    text.clear();
    bench.client.GetErrorString(0, c.expected, text);
    if (!c.text.empty()) {
      EXPECT_EQ(text, c.text + std::to_string(bench.port)) << "after the stream was released";
    }
  }
}

TEST(HttpStream, ARefusingServerLeavesNothingToReadAndEmptyBodiesEndTheRetries) {
  SimulatedInstrument bench("HTTP", {{"transport", "http"}, {"accept", "SET"}}, 0.5);
  ASSERT_EQ(bench.client.ConnectStream(0, true), 0u);
  bench.dmm.SetFault(sim::FaultKind::kRefuse);
  std::string answer;
  EXPECT_EQ(bench.client.WriteRead(0, "*IDN?", answer, 100, 1), networkstatus::kNotConnected);
  EXPECT_EQ(bench.client.Read(0, answer, 100), networkstatus::kAllHttpDataRead);
  bench.dmm.ClearFault(sim::FaultKind::kRefuse);
  EXPECT_EQ(bench.client.WriteRead(0, "*OPC?", answer, 100, 1), 0u);
  EXPECT_EQ(answer, "1\n");

  // A command without an answer has an empty body; reading again finds the
  // reply used up, which ends the exchange with that status.
  EXPECT_EQ(bench.client.WriteRead(0, "SET", answer, 100, 1), 0u);
  EXPECT_EQ(answer, "");
  EXPECT_EQ(bench.client.WriteRead(0, "SET", answer, 100, 3), networkstatus::kAllHttpDataRead);
}

// Requests ask the server to close: one that would keep the connection open
// closes it right after the reply.
TEST(HttpServerModes, KeepAliveServerClosesAfterTheReplyWhenAsked) {
  constexpr double kTimeout = 4.0;
  SimulatedInstrument bench("HTTP", {{"transport", "http"}, {"idn", kDmmIdn}, {"http-keep-alive", "yes"}}, kTimeout);
  ASSERT_EQ(bench.client.ConnectStream(0, true), 0u);
  std::string answer;
  Status status = 1;
  const double seconds = SecondsOf([&] {
    for (int n = 0; n < 2 && status != 0; ++n) status = bench.client.WriteRead(0, "*IDN?", answer, 100, 1);
  });
  EXPECT_EQ(status, 0u);
  EXPECT_EQ(answer, std::string(kDmmIdn) + "\n");
  // Waiting for a close that never came took the whole time-out.
  EXPECT_LT(seconds, kTimeout / 2);
  bench.client.DisconnectStream(0);
}
}  // namespace
