// The service-request variants against a simulated IEEE 488.2 instrument on
// the GPIB bus, with the simulated service-request library calling back on
// its own thread.
#include "legacy/NI4882CompliantGPIB.h"

#include <gtest/gtest.h>

#include <poll.h>
#include <signal.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <nlohmann/json.hpp>

#include "LegacyTestBench.h"
#include "legacy/GPIBStatus.h"
#include "legacy/GpibDescriptorLocks.h"
#include "support/ChildExit.h"
#include "support/GpibDescriptors.h"
#include "support/ScopedVariable.h"
#include "support/SignalStorm.h"

namespace {

class CompliantGPIBTest : public ::testing::Test {
protected:
  LegacyTestBench bench_{"srq"};
  sim::Instrument& source_ = bench_.AddGpib("source", 6, {{"idn", "ACME,SRC200,42,2.1"},
                                                           {"answer", "MEAS? -> 1.5"},
                                                           {"accept-re", "VOLT [0-9.]+"}});
  NI4882CompliantGPIB gpib_{GPIB0, 6, 0};
};

// Counts the service requests that reach a plain NI4882MGPIB.
class CountingGPIB : public NI4882MGPIB {
public:
  using NI4882MGPIB::NI4882MGPIB;
  ~CountingGPIB() override { UnregisterDevice(); }
  void SRQHandler(int statusByte) override {
    std::lock_guard guard(lock_);
    statusBytes_.push_back(statusByte);
    changed_.notify_all();
  }
  std::vector<int> WaitForRequests(size_t count) {
    std::unique_lock guard(lock_);
    changed_.wait_for(guard, std::chrono::seconds(10), [&] { return statusBytes_.size() >= count; });
    return statusBytes_;
  }

private:
  std::mutex lock_;
  std::condition_variable changed_;
  std::vector<int> statusBytes_;
};

// Notes the thread its service-request handler runs on (the library's).
class HandlerThreadGPIB : public NI4882CompliantGPIB {
public:
  using NI4882CompliantGPIB::NI4882CompliantGPIB;
  void SRQHandler(int statusByte) override {
    handlerThread_ = static_cast<pid_t>(syscall(SYS_gettid));
    NI4882CompliantGPIB::SRQHandler(statusByte);
  }
  std::atomic<pid_t> handlerThread_{0};
};

// A handshake with a wait of its own length.
class ShortWaitGPIB : public NI4882CompliantGPIB {
public:
  using NI4882CompliantGPIB::NI4882CompliantGPIB;
  Status SendWaiting(const std::string& command, uint32_t waitMs) {
    return SendAndAwaitServiceRequest(command, true, 0, nullptr, waitMs);
  }
};

}  // namespace

TEST_F(CompliantGPIBTest, OpeningEnablesServiceRequestsAndClosingDisablesThem) {
  ASSERT_EQ(gpib_.OpenDevice(0), 0u);
  EXPECT_TRUE(gpib_.HasSrqHandler());
  EXPECT_EQ(source_.ReceivedCommands(), (std::vector<std::string>{"*CLS", "*SRE 48", "*ESE 1"}));
  EXPECT_EQ(gpib_.CloseDevice(0), 0u);
  EXPECT_FALSE(gpib_.HasSrqHandler());
  EXPECT_EQ(source_.ReceivedCommands(),
            (std::vector<std::string>{"*CLS", "*SRE 48", "*ESE 1", "*SRE 0", "*ESE 0"}));
}

// A send waits for the request of operation complete, whose handler asks for
// the event status; a query's answer is read by the handler.
TEST_F(CompliantGPIBTest, SendsAndQueriesAreAnsweredThroughTheHandler) {
  ASSERT_EQ(gpib_.OpenDevice(0), 0u);
  source_.ResetLog();
  EXPECT_EQ(gpib_.SaveSendGPIB(0, "VOLT 5", true, 0, nullptr), 0u);
  EXPECT_EQ(gpib_.LastSendCount(), 1);
  EXPECT_EQ(gpib_.State(), NI4882CompliantGPIB::kIdle);
  EXPECT_EQ(gpib_.SendWaitingForCompletion(0, ""), 0u) << "an empty text sends *OPC alone";
  std::string reply;
  EXPECT_EQ(gpib_.SaveSendGPIB(0, "MEAS?", true, 100, &reply), 0u);
  EXPECT_EQ(reply, "1.5\n");
  EXPECT_EQ(gpib_.SaveSendGPIB(0, "MEAS?", false, 100, &reply), 0u);
  EXPECT_EQ(reply, "1.5\n") << "announced by message-available";
  EXPECT_EQ(source_.ReceivedCommands(), (std::vector<std::string>{"*CLS;VOLT 5;*OPC", "*ESR?", "*CLS;*OPC", "*ESR?",
                                                                  "*CLS;MEAS?;*OPC", "*ESR?", "MEAS?"}));
  EXPECT_EQ(source_.State()["transport_state"]["output_bytes"], 0) << "nothing left unread";
  // Queries without the flag keep the error queue (no "*CLS").
  ASSERT_EQ(gpib_.SendGPIB("BOGUS"), 0u);  // queues an error in the instrument
  source_.ResetLog();
  EXPECT_EQ(gpib_.SaveSendGPIB(0, "MEAS?", false, 100, &reply), 0u);
  EXPECT_EQ(gpib_.SaveSendGPIB(0, "SYST:ERR?", false, 100, &reply), 0u);
  EXPECT_EQ(reply, "-113,\"Undefined header\"\n") << "the error survived the query before";
  EXPECT_EQ(source_.ReceivedCommands(), (std::vector<std::string>{"MEAS?", "SYST:ERR?"}));

  // Without message-available requests operation complete announces the reply.
  NI4882CompliantGPIB completion(GPIB0, 6, 0);
  completion.SetServiceRequestMask(NI4882CompliantGPIB::kEventSummary);
  ASSERT_EQ(gpib_.CloseDevice(0), 0u);
  ASSERT_EQ(completion.OpenDevice(0), 0u);
  source_.ResetLog();
  EXPECT_EQ(completion.SaveSendGPIB(0, "MEAS?", false, 100, &reply), 0u);
  EXPECT_EQ(reply, "1.5\n");
  EXPECT_EQ(source_.ReceivedCommands(), (std::vector<std::string>{"MEAS?;*OPC", "*ESR?"}));
}

TEST_F(CompliantGPIBTest, NoServiceRequestEndsInATimeOut) {
  ASSERT_EQ(gpib_.OpenDevice(0), 0u);
  ASSERT_EQ(gpib_.SetTimeOutGPIB(10), 0u);  // 300 ms
  ASSERT_EQ(gpib_.SendGPIB("*SRE 0"), 0u);  // the device stops requesting service
  const Status status = gpib_.SaveSendGPIB(0, "VOLT 1", true, 0, nullptr);
  EXPECT_EQ(status, 0x3000019Au);
  EXPECT_NE(ErrorText(gpib_, status).find("time-out"), std::string::npos);
  EXPECT_EQ(gpib_.LastSendCount(), 1) << "a time-out is not sent again";
}

TEST_F(CompliantGPIBTest, AProtocolErrorSendsTheTextAgainUpToFiveTimes) {
  ASSERT_EQ(gpib_.OpenDevice(0), 0u);
  // Garbled answers: the event status never shows operation complete.
  source_.SetFault(sim::FaultKind::kGarbage);
  source_.ResetLog();
  const Status status = gpib_.SaveSendGPIB(0, "VOLT 2", true, 0, nullptr);
  EXPECT_EQ(status, 0x30000238u);
  EXPECT_EQ(gpib_.LastSendCount(), 5);
  EXPECT_EQ(source_.ReceivedCommands(), (std::vector<std::string>{"*CLS;VOLT 2;*OPC", "*ESR?", "*CLS;VOLT 2;*OPC", "*ESR?",
                                                                  "*CLS;VOLT 2;*OPC", "*ESR?", "*CLS;VOLT 2;*OPC", "*ESR?",
                                                                  "*CLS;VOLT 2;*OPC", "*ESR?"}));
  source_.ClearFaults();
  EXPECT_EQ(gpib_.SaveSendGPIB(0, "VOLT 2", true, 0, nullptr), 0u);
  EXPECT_EQ(gpib_.LastSendCount(), 1);
}

TEST_F(CompliantGPIBTest, WithoutAHandlerTheSendIsTriedUpToFiveTimes) {
  ASSERT_EQ(gpib_.NI488GPIB::OpenDevice(0, GPIB0, 6, 0), 0u);  // opened without the service-request library
  ASSERT_FALSE(gpib_.HasSrqHandler());
  ASSERT_EQ(gpib_.SetTimeOutGPIB(9), 0u);  // 100 ms
  EXPECT_EQ(gpib_.SaveSendGPIB(0, "VOLT 3", true, 0, nullptr), 0u);
  EXPECT_EQ(gpib_.LastSendCount(), 1);
  source_.SetFault(sim::FaultKind::kNoAnswer);
  source_.ResetLog();
  EXPECT_EQ(gpib_.SaveSendGPIB(0, "VOLT 4", true, 0, nullptr), 0x3000020Eu);
  EXPECT_EQ(gpib_.LastSendCount(), 5);
  EXPECT_EQ(source_.ReceivedCommands(), std::vector<std::string>(5, "VOLT 4;*OPC?"));
}

// (A missing library: CompliantGpibStream.AMissingServiceRequestLibraryGivesItsStatusAndText.)
TEST_F(CompliantGPIBTest, TheServiceRequestLibraryMustHaveRegisterSRQHandler) {
  // A library without it (here: the NI-488.2 one).
  setenv("SWMATRIX_GPIBSRQ_LIBRARY", SimulatedLibrary("libgpib.so.0").c_str(), 1);
  NI4882MGPIB unable(GPIB0, 6, 0);
  const Status status = unable.OpenDevice(0);
  EXPECT_EQ(status, 0x30000247u);
  EXPECT_FALSE(unable.IsOpen());
  EXPECT_NE(ErrorText(unable, status).find("RegisterSRQHandler"), std::string::npos);
}

// The library serial-polls with descriptors of its own, given back with the
// registration; a request that nobody expects is polled, dropped and noted,
// an expected one reaches its handler.
TEST_F(CompliantGPIBTest, RequestsArePolledAndReachOnlyAHandlerThatExpectsThem) {
  const int before = GpibDescriptorsInUse();
  CountingGPIB gpib(GPIB0, 6, 0);
  ASSERT_EQ(gpib.OpenDevice(0), 0u);
  ASSERT_TRUE(gpib.HasSrqHandler());
  EXPECT_EQ(GpibDescriptorsInUse(), before + 2) << "the device's descriptor and the library's";
  const GPIBSRQLibrary::Functions& srq = gpib.SrqLibrary().Calls();
  ASSERT_EQ(gpib.SendGPIB("*CLS;*ESE 1;*SRE 32;*OPC"), 0u);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (srq.GetLastGPIBError() != 2 && std::chrono::steady_clock::now() < deadline)
    std::this_thread::yield();
  EXPECT_EQ(srq.GetLastGPIBError(), 2) << "a request that no registered device expected";
  EXPECT_EQ(source_.State()["requesting_service"], false) << "it was polled";
  EXPECT_TRUE(gpib.WaitForRequests(0).empty()) << "and reached no handler";

  ASSERT_EQ(gpib.SendGPIB("*CLS;*ESE 1;*SRE 32"), 0u);
  ASSERT_EQ(srq.SetExpectingSRQ(gpib.SrqHandle(), 1), 0);
  ASSERT_EQ(gpib.SendGPIB("*OPC"), 0u);
  const std::vector<int> requests = gpib.WaitForRequests(1);
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0] & 0x60, 0x60) << "request service and the event summary bit";
  EXPECT_EQ(source_.State()["requesting_service"], false) << "the library's serial poll ended the request";
  EXPECT_GT(srq.GetLastTimingInformation(0, 6), 0u) << "bus accesses are noted in the library";
  ASSERT_EQ(gpib.CloseDevice(0), 0u);
  EXPECT_EQ(GpibDescriptorsInUse(), before);
}

TEST_F(CompliantGPIBTest, CheckGPIBBussesSeesARequestNobodyWaitsFor) {
  sim::Instrument& other = bench_.Simulator().Add("other", {{"transport", "gpib"}, {"board", "1"}, {"address", "3"}});
  NI4882CompliantGPIB registered(GPIB0, 6, 0);
  ASSERT_EQ(registered.OpenDevice(0), 0u);  // loads the library
  const GPIBSRQLibrary::Functions& srq = registered.SrqLibrary().Calls();
  EXPECT_EQ(srq.CheckGPIBBusses(), 0);
  NI488GPIB plain(GPIB1, 3, 0);
  ASSERT_EQ(plain.OpenDevice(0), 0u);
  ASSERT_EQ(plain.SendGPIB("*CLS;*ESE 1;*SRE 32;*OPC"), 0u);
  EXPECT_EQ(other.State()["requesting_service"], true);
  EXPECT_EQ(srq.CheckGPIBBusses(), 1) << "board 1 has no registered device: its request stays";
  uint8_t statusByte = 0;
  ASSERT_EQ(plain.SerialPoll(&statusByte), 0u);
  EXPECT_EQ(statusByte & 0x60, 0x60);
  EXPECT_EQ(srq.CheckGPIBBusses(), 0);
}

TEST_F(CompliantGPIBTest, TheMinimumWaitHoldsAcrossObjectsOfOneDevice) {
  NI4882MGPIB first(GPIB0, 6, 0), second(GPIB0, 6, 0);
  first.SetWait(80);
  second.SetWait(80);
  ASSERT_EQ(first.OpenDevice(0), 0u);
  ASSERT_EQ(second.OpenDevice(0), 0u);
  ASSERT_EQ(first.SendGPIB("*CLS"), 0u);
  const auto start = std::chrono::steady_clock::now();
  ASSERT_EQ(second.SendGPIB("*CLS"), 0u);
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(60))
      << "the other object's access counts";
}

// The sender gives up while the handler still reads the late answer of
// "*ESR?" on the same descriptor: the next exchange waits for that read
// instead of entering the library beside it (linux-gpib aborts then), and
// the handler does nothing more for the sender that gave up.
TEST_F(CompliantGPIBTest, TheNextExchangeWaitsForAHandlerStillReading) {
  ShortWaitGPIB gpib(GPIB0, 6, 0);
  ASSERT_EQ(gpib.OpenDevice(0), 0u);
  ASSERT_EQ(gpib.SetTimeOutGPIB(12), 0u);  // 3 s
  source_.SetFault(sim::FaultKind::kLate, 2500);
  source_.ResetLog();
  // The handler starts within the second and then reads for 2.5 s.
  EXPECT_EQ(gpib.SendWaiting("*CLS;VOLT 1;*OPC", 1000), 0x3000019Au);
  EXPECT_EQ(gpib.SendGPIB("*CLS"), 0u);
  EXPECT_EQ(source_.ReceivedCommands(), (std::vector<std::string>{"*CLS;VOLT 1;*OPC", "*ESR?", "*CLS"}));
  source_.ClearFaults();
}

// One address registered twice (a stream beside an older object of the same
// instrument): the request is polled once and reaches the registration that
// expects it, whichever came first; also when the board polls automatically
// (the kernel then clears the line and queues the byte).
TEST_F(CompliantGPIBTest, ARequestReachesTheRegistrationThatExpectsIt) {
  for (const bool autopoll : {false, true}) {
    CountingGPIB idle(GPIB0, 6, 0), expecting(GPIB0, 6, 0);
    ASSERT_EQ(idle.OpenDevice(0), 0u);
    ASSERT_EQ(expecting.OpenDevice(0), 0u);
    ASSERT_EQ(idle.ConfigBoardGPIB(0x7, autopoll ? 1 : 0), 0u);
    ASSERT_EQ(expecting.SrqLibrary().Calls().SetExpectingSRQ(expecting.SrqHandle(), 1), 0);
    ASSERT_EQ(idle.SendGPIB("*CLS"), 0u);  // the event of the round before ends
    ASSERT_EQ(idle.SendGPIB("*ESE 1;*SRE 32;*OPC"), 0u);
    const std::vector<int> requests = expecting.WaitForRequests(1);
    ASSERT_EQ(requests.size(), 1u) << autopoll;
    EXPECT_EQ(requests[0] & 0x60, 0x60) << autopoll;
    EXPECT_TRUE(idle.WaitForRequests(0).empty()) << autopoll;
    if (autopoll) {
      EXPECT_EQ(idle.ConfigBoardGPIB(0x7, 0), 0u);
    }
  }
}

// A child of a process that registered has none of its threads: it
// unregisters and exits at once instead of waiting for them, and its
// descriptors' locks start free: a call that takes no board lock in the
// library (ibtmo) goes ahead on a descriptor that a thread of the parent was
// inside at the fork. (A call that does would abort in linux-gpib, whose
// descriptor stays marked as in a call in the child.)
TEST_F(CompliantGPIBTest, AForkedChildUnregistersAndExitsAtOnce) {
  CountingGPIB gpib(GPIB0, 6, 0);
  ASSERT_EQ(gpib.OpenDevice(0), 0u);
  ASSERT_EQ(gpib.SetTimeOutGPIB(11), 0u);  // T1s: the reader below waits for its silent instrument
  std::mutex& inCall = gpiblocks::DescriptorLock(gpib.DeviceDescriptor());
  std::thread reader([&] {
    std::string nothing;
    gpib.ReceiveGPIB(&nothing, 10);
  });
  for (; inCall.try_lock(); std::this_thread::yield()) inCall.unlock();  // until the reader is inside its call
  const GPIBSRQLibrary::Functions& srq = gpib.SrqLibrary().Calls();
  const int handle = gpib.SrqHandle();
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    const bool set = gpib.SetTimeOutGPIB(10) == 0;
    std::exit(set && srq.UnRegisterSRQHandler(handle) == 0 ? 0 : 1);  // static destructors run
  }
  const int exited = static_cast<int>(syscall(SYS_pidfd_open, child, 0));
  ASSERT_GE(exited, 0);
  pollfd entry{exited, POLLIN, 0};
  const bool ended = poll(&entry, 1, 10000) == 1;  // a bound for loaded machines: it takes milliseconds
  close(exited);
  if (!ended) kill(child, SIGKILL);
  int status = -1;
  EXPECT_EQ(WaitForChildExit(child, status), 0);
  EXPECT_TRUE(ended) << "the child hangs";
  reader.join();
}

// The library waits for the line on a board descriptor of its own where
// gpib.conf names the board (board 2). While the board polls automatically
// its line never shows (board 0), and a board listed without a name has no
// descriptor of the library's own (board 1): there the library looks at the
// board while a handshake expects a request. On each no handshake waits for
// the end of a 300 ms wait, and the board index keeps the time-out its
// program gave it. Only configured boards' lines are probed (linux-gpib
// complains on stderr about any other index).
TEST_F(CompliantGPIBTest, HandshakesDoNotWaitForTheEndOfAWaitForTheLine) {
  WriteFile(bench_.Path("gpib.conf"), "interface { minor = 0 name = \"violet\" }\ninterface { minor = 1 }\n"
                                      "interface { minor = 2 name = \"bench\" }\n");
  ScopedVariable configuration("IB_CONFIG", bench_.Path("gpib.conf"));
  bench_.Simulator().Add("other", {{"transport", "gpib"}, {"board", "1"}, {"address", "3"}});
  bench_.Simulator().Add("third", {{"transport", "gpib"}, {"board", "2"}, {"address", "3"}});
  const struct {
    GPIBBoardNumbers board;
    int address;
    bool autopoll;
  } cases[] = {{GPIB0, 6, true}, {GPIB1, 3, false}, {GPIB2, 3, false}};
  for (const auto& each : cases) {
    NI488GPIB board(each.board, each.address, 0);  // the program's own use of the board index
    ASSERT_EQ(board.OpenBoard(0), 0u);
    ASSERT_EQ(board.ConfigBoardGPIB(0x3, 12), 0u);  // its T3s
    ShortWaitGPIB gpib(each.board, each.address, 0);
    ASSERT_EQ(gpib.OpenDevice(0), 0u);
    ASSERT_EQ(board.ConfigBoardGPIB(0x7, each.autopoll ? 1 : 0), 0u);
    // The first may still meet a wait begun before polling was switched on.
    ASSERT_EQ(gpib.SendWaiting("*OPC", 5000), 0u) << each.board;
    for (int round = 0; round < 5; ++round) EXPECT_EQ(gpib.SendWaiting("*OPC", 150), 0u) << each.board << " " << round;
    int timeoutCode = 0;
    ASSERT_EQ(board.AskConfigBoardGPIB(0x3, &timeoutCode), 0u);
    EXPECT_EQ(timeoutCode, 12) << "board " << each.board << ": the board index keeps its time-out";
    if (each.autopoll) {
      EXPECT_EQ(board.ConfigBoardGPIB(0x7, 0), 0u);
    }
  }
  ShortWaitGPIB any(GPIB2, 3, 0);
  ASSERT_EQ(any.OpenDevice(0), 0u);
  testing::internal::CaptureStderr();
  EXPECT_GE(any.SrqLibrary().Calls().CheckGPIBBusses(), 0);  // every configured board answered
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

// Every wait of a handshake (the sender's, the library's wait for the line,
// the handler's reads of late answers) keeps its deadline while signals
// interrupt it: none ends early and none starts again.
TEST_F(CompliantGPIBTest, HandshakesKeepTheirDeadlinesWhileSignalsArrive) {
  HandlerThreadGPIB gpib(GPIB0, 6, 0);
  ASSERT_EQ(gpib.OpenDevice(0), 0u);
  ASSERT_EQ(gpib.SetTimeOutGPIB(11), 0u);  // 1 s
  ASSERT_EQ(gpib.SaveSendGPIB(0, "VOLT 5", true, 0, nullptr), 0u);
  ASSERT_NE(gpib.handlerThread_.load(), 0);
  source_.SetFault(sim::FaultKind::kLate, 100);  // the handler's read of "*ESR?" waits
  // The simulator in this process is spared: it stands for an instrument elsewhere.
  SignalStorm signals(10, 10000, {gettid(), gpib.handlerThread_.load()});
  EXPECT_EQ(gpib.SaveSendGPIB(0, "VOLT 2", true, 0, nullptr), 0u);
  EXPECT_EQ(gpib.LastSendCount(), 1);
  source_.ClearFaults();
  ASSERT_EQ(gpib.SendGPIB("*SRE 0"), 0u);
  uint8_t statusByte = 0;
  ASSERT_EQ(gpib.SerialPoll(&statusByte), 0u);  // a request still on the line ends
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(gpib.SaveSendGPIB(0, "VOLT 1", true, 0, nullptr), 0x3000019Au);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5)) << "the 1 s wait ended";
}
