// HTTP requests ask the server to close: a server that would keep the
// connection open closes it right after the reply.
#include <gtest/gtest.h>

#include "streams/SimulatedInstrument.h"

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
