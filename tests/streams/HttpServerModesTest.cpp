// HTTP requests name their server and ask it to close: a strict server that
// answers 400 without "Host:" is served, and a server that would keep the
// connection open closes it right after the reply.
#include <gtest/gtest.h>

#include "streams/SimulatedInstrument.h"

namespace {
constexpr const char* kIdn = "ACME,DMM100,1234,1.0";
}  // namespace

TEST(HttpServerModes, RequestsCarryHostAndConnectionClose) {
  SimulatedInstrument bench("HTTP", {{"transport", "http"}, {"idn", kIdn}, {"http-require-host", "yes"}});
  ASSERT_EQ(bench.client.ConnectStream(0, true), 0u);
  std::string answer;
  ASSERT_EQ(bench.client.WriteRead(0, "*IDN?", answer, 100, 1), 0u);
  EXPECT_EQ(answer, std::string(kIdn) + "\n");
  EXPECT_EQ(bench.dmm.ReceivedBytes(), "GET /*IDN? HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(bench.port) +
                                           "\r\nConnection: close\r\n\r\n");
  bench.client.DisconnectStream(0);
}

TEST(HttpServerModes, KeepAliveServerClosesAfterTheReplyWhenAsked) {
  constexpr double kTimeout = 4.0;
  SimulatedInstrument bench("HTTP", {{"transport", "http"}, {"idn", kIdn}, {"http-keep-alive", "yes"}}, kTimeout);
  ASSERT_EQ(bench.client.ConnectStream(0, true), 0u);
  std::string answer;
  Status status = 1;
  const double seconds = SecondsOf([&] {
    for (int n = 0; n < 2 && status != 0; ++n) status = bench.client.WriteRead(0, "*IDN?", answer, 100, 1);
  });
  EXPECT_EQ(status, 0u);
  EXPECT_EQ(answer, std::string(kIdn) + "\n");
  // Waiting for a close that never came took the whole time-out.
  EXPECT_LT(seconds, kTimeout / 2);
  bench.client.DisconnectStream(0);
}
