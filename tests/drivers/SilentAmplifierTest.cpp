// The BONN amplifier drivers against an amplifier that never answers and one
// that answers nothing but line ends: each status check is one exchange (one
// time-out) per attempt, none nested, and an amplifier that gave no answer
// never has its interlock reported "Closed" (also BONN_IL's, whose request
// asks the amplifier): the call returns the no-answer status with its text.
#include <gtest/gtest.h>

#include <chrono>

#include "support/IsolatedKeySession.h"
#include "support/LoopbackResponder.h"
#include "swmatrix/swmatrix.h"

namespace {
constexpr double kTimeout = 0.2;
constexpr uint32_t kNoAnswer = 0x3000079E;

enum class Call { kInterlockRequest, kStatusEvent, kInit, kCheck };

struct SilentCase {
  const char* name;
  const char* key;
  LoopbackResponder::Mode mode;
  Call call;
  std::string expectedBytes;  // what the amplifier receives
  int timeouts;               // reads that end by the time-out
};

const std::string kStatus = "STATUS?\n";
const std::string kThreeTimes = kStatus + kStatus + kStatus;

const std::string kCheckOnce = "*IDN?\nREMOTE\nLOCAL\n";

const SilentCase kCases[] = {
    {"BasCheckSilent", "BONN_BAS", LoopbackResponder::Mode::kSilent, Call::kCheck, kCheckOnce + kCheckOnce + kCheckOnce, 3},
    {"BasInterlockSilent", "BONN_BAS", LoopbackResponder::Mode::kSilent, Call::kInterlockRequest, kThreeTimes, 3},
    {"BasInterlockLineEnds", "BONN_BAS", LoopbackResponder::Mode::kLineEnds, Call::kInterlockRequest, kThreeTimes, 0},
    // The initialisation checks the status, resets and checks again.
    {"BasInitSilent", "BONN_BAS", LoopbackResponder::Mode::kSilent, Call::kInit,
     "REMOTE\n" + kThreeTimes + "*RST\n" + kThreeTimes, 6},
    {"IlStatusSilent", "BONN_IL", LoopbackResponder::Mode::kSilent, Call::kStatusEvent, kStatus, 1},
    {"IlStatusLineEnds", "BONN_IL", LoopbackResponder::Mode::kLineEnds, Call::kStatusEvent, kStatus, 0},
    // The interlock request asks the amplifier as event 7 does.
    {"IlInterlockSilent", "BONN_IL", LoopbackResponder::Mode::kSilent, Call::kInterlockRequest, kStatus, 1},
    {"IlInterlockLineEnds", "BONN_IL", LoopbackResponder::Mode::kLineEnds, Call::kInterlockRequest, kStatus, 0},
};

class SilentAmplifierTest : public testing::TestWithParam<SilentCase> {};

TEST_P(SilentAmplifierTest, EachAttemptCostsOneTimeOutAndNoAnswerIsNeverClosed) {
  const SilentCase& c = GetParam();
  ASSERT_TRUE(EnsureWxRuntime());
  LoopbackResponder amplifier(c.mode);
  ASSERT_NE(amplifier.Port(), 0);
  uint16_t id = 0;
  ASSERT_EQ(CreateNewDeviceDriver(0, c.key, &id), 0u);
  ASSERT_TRUE(UseLoopbackTcp(id, amplifier.Port(), kTimeout));
  if (c.call != Call::kInit && c.call != Call::kCheck) {
    // The initialisation fails as well; the stream stays open for the call.
    InitDevice(0, id);
    amplifier.ReceivedText();
  }
  const size_t before = amplifier.ReceivedText().size();
  const auto start = std::chrono::steady_clock::now();
  uint32_t answer = 7, status = 0;
  if (c.call == Call::kInterlockRequest) {
    uint32_t request = SWM_REQUEST_InterlockClosed;
    status = GetValue(0, id, SWM_VALUE_REQUEST, &request, &answer);
    EXPECT_EQ(answer, 0u) << "reported Closed";
  } else if (c.call == Call::kStatusEvent) {
    uint32_t event = SWM_EVENT_FrequencyChanged;
    double frequency = 1e8;
    status = SetValue(0, id, SWM_VALUE_EVENT, &event, &frequency);
  } else {
    status = c.call == Call::kInit ? InitDevice(0, id) : CheckDevice(0, id);
  }
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  EXPECT_EQ(status, kNoAnswer);
  char text[256] = "";
  uint32_t count = 0;
  GetErrorString(0, id, status, text, sizeof text, &count);
  EXPECT_STREQ(text, "The amplifier did not answer within the time-out.");
  EXPECT_EQ(amplifier.ReceivedText().substr(before), c.expectedBytes);
  // A generous bound: the time-outs plus a second for everything else.
  EXPECT_LT(seconds, c.timeouts * kTimeout + 1.0);
  DeInitDevice(0, id);
  RemoveDeviceDriver(0, id);
}

INSTANTIATE_TEST_SUITE_P(Bonn, SilentAmplifierTest, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<SilentCase>& info) { return std::string(info.param.name); });
}  // namespace
