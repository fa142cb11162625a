// The plain GPIB device against a simulated GPIB instrument, through the
// simulated NI-488.2 library: opening, writing, reading, clearing, bus
// errors and their statuses and texts, and the log records of the calls.
#include "legacy/NI488GPIB.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>
#include <nlohmann/json.hpp>

#include "LegacyTestBench.h"
#include "LogCollector.h"
#include "legacy/GPIBStatus.h"
#include "legacy/NI4882CompliantGPIB.h"
#include "support/GpibDescriptors.h"
#include "support/ScopedVariable.h"

namespace {

nlohmann::json BusState(sim::Instrument& instrument) { return instrument.State()["transport_state"]; }

class NI488GPIBTest : public ::testing::Test {
protected:
  LegacyTestBench bench_{"gpib"};
  sim::Instrument& dmm_ = bench_.AddGpib("dmm", 5, {{"idn", "ACME,DMM100,1234,1.0"}});
  NI488GPIB gpib_{GPIB0, 5, 0};
};

}  // namespace

TEST_F(NI488GPIBTest, OpensWritesReadsAndClosesADevice) {
  ASSERT_EQ(gpib_.OpenDevice(0), 0u);
  EXPECT_TRUE(gpib_.IsOpen());
  EXPECT_GE(gpib_.DeviceDescriptor(), 0);
  EXPECT_EQ(dmm_.CommandCount(), 0u) << "opening sends no device command";

  std::string identification;
  EXPECT_EQ(gpib_.GetIdentificationString(0, &identification), 0u);
  EXPECT_EQ(identification, "ACME,DMM100,1234,1.0");
  EXPECT_EQ(gpib_.LastCount(), 21) << "the count of the read includes the line feed";
  EXPECT_EQ(dmm_.ReceivedBytes(), "*IDN?") << "one message, no terminator added";

  EXPECT_EQ(gpib_.ClearGPIB(), 0u);
  EXPECT_EQ(BusState(dmm_)["device_clears"], 2);

  EXPECT_EQ(gpib_.CloseDevice(0), 0u);
  EXPECT_FALSE(gpib_.IsOpen());
  EXPECT_EQ(BusState(dmm_)["remote"], false) << "closing sends the device to local";
  // Closed (never opened, or its opening failed): nothing is sent or read, and the call says so.
  EXPECT_EQ(gpib_.SendGPIB("*RST"), gpibstatus::kDeviceNotOpen);
  std::string answer = "old";
  EXPECT_EQ(gpib_.ReceiveGPIB(&answer, 10), gpibstatus::kDeviceNotOpen);
  EXPECT_EQ(answer, "");
  EXPECT_EQ(gpib_.Send(0, "*RST", false), gpibstatus::kDeviceNotOpen);
  EXPECT_EQ(dmm_.CommandCount(), 1u);
  char text[256] = "";
  uint32_t count = 0;
  gpib_.GetErrorString(0, gpibstatus::kDeviceNotOpen, text, sizeof text, &count);
  EXPECT_STREQ(text, "The GPIB device GPIB0, primary address 5, is not open: initialise the driver "
                     "(or its initialisation failed).");
}

TEST_F(NI488GPIBTest, ADeviceAtTheBoardsAddressIsRefusedBeforeItIsOpened) {
  LogCollector log;
  bench_.Simulator().SetBoardAddress(7);
  NI488GPIB gpib(GPIB0, 7, 0);
  const Status status = gpib.OpenDevice(0);
  EXPECT_EQ(status, 0x30000235u);
  EXPECT_FALSE(gpib.IsOpen());
  EXPECT_NE(ErrorText(gpib, status).find("address of the GPIB interface"), std::string::npos);
  const std::vector<std::string> records = log.UntilMarker();
  EXPECT_EQ(LogCollector::Containing(records, {"GPIBibask((board)0, 1, 7)"}).size(), 1u);
  EXPECT_TRUE(LogCollector::Containing(records, {"ibdev("}).empty()) << "ibdev is never called";
}

TEST_F(NI488GPIBTest, WrappedCallsAreLoggedWithTheirCallTexts) {
  ASSERT_EQ(gpib_.OpenDevice(0), 0u);  // the library is loaded (and logged) once
  ASSERT_EQ(gpib_.CloseDevice(0), 0u);
  LogCollector log;
  ASSERT_EQ(gpib_.OpenDevice(0), 0u);
  const std::string device = std::to_string(gpib_.DeviceDescriptor());
  std::vector<std::string> records = log.First(10);
  ASSERT_EQ(records.size(), 10u);
  EXPECT_EQ(LogCollector::Description(records[0]), "OpenDevice(0, 5, 0)");
  // The simulated library names its board "violet", as linux-gpib's template
  // does: the board is used under its index; the library has no iblck.
  const std::vector<std::pair<std::string, std::string>> expected = {
      {"Error", "ibfind(0)"},
      {"Note", "ibask((board)0, 1): no board named GPIB0, its index used"},
      {"Note", "GPIBibask((board)0, 1, 0)"},
      {"Note", "ibdev((board)0, 5, 0, 13, 1): " + device},
      {"Note", "ibonl(" + device + ", 1)"},
      {"Warning", "iblck is not offered by the GPIB library: not locked"},
      {"Note", "ibconfig(" + device + ", 6, 1)"},
      {"Note", "ibclr(" + device + ")"},
      {"Note", "ibcmd((board)0, \"\x11\", 1)"}};
  for (size_t i = 1; i < records.size(); ++i) {
    const auto& [type, call] = expected[i - 1];
    EXPECT_EQ(LogCollector::Description(records[i]), call);
    EXPECT_NE(records[i].find(";NI488GPIB;" + type + ";"), std::string::npos) << records[i];
    if (type != "Warning") {
      EXPECT_NE(records[i].find(";!general;NIGPIBDD;description;"), std::string::npos) << records[i];
    }
  }
  log.Drain();
  ASSERT_EQ(gpib_.SendGPIB("*IDN?"), 0u);
  std::string answer;
  ASSERT_EQ(gpib_.ReceiveGPIB(&answer, 100), 0u);
  ASSERT_EQ(gpib_.EnableHS488(0), 0u);
  records = log.UntilMarker();
  std::vector<std::string> calls;
  for (const std::string& record : records) calls.push_back(LogCollector::Description(record));
  EXPECT_EQ(calls, (std::vector<std::string>{"ibwrt(" + device + ",\"*IDN?\",5)",
                                             "ibrd(" + device + ",\"ACME,DMM100,1234,1.0\n\",21)",
                                             "ibconfig((board)0, 31, 5)"}));
  ASSERT_EQ(records.size(), 3u);
  EXPECT_NE(records[0].find(";SendGPIB;NI488GPIB;Note;"), std::string::npos) << records[0];
  EXPECT_NE(records[0].find("ibsta;i8448;iberr;i0;ibcntl;i5;Err;i0"), std::string::npos) << records[0];
}

TEST_F(NI488GPIBTest, BusErrorsBecomeStatusesWithTexts) {
  ASSERT_EQ(gpib_.OpenDevice(0), 0u);
  ASSERT_EQ(gpib_.SetTimeOutGPIB(9), 0u);  // 100 ms
  EXPECT_EQ(gpib_.TimeoutMilliseconds(), 100u);

  // An instrument that never answers: the read times out (EABO).
  dmm_.SetFault(sim::FaultKind::kNoAnswer);
  ASSERT_EQ(gpib_.SendGPIB("*IDN?"), 0u);
  std::string answer;
  const Status timedOut = gpib_.ReceiveGPIB(&answer, 100);
  EXPECT_EQ(timedOut, 0x3000020Eu);
  EXPECT_TRUE(answer.empty());
  EXPECT_EQ(gpib_.LastCount(), 0);
  EXPECT_NE(ErrorText(gpib_, timedOut).find("EABO"), std::string::npos);
  dmm_.ClearFaults();

  // An answer cut short: the bytes that came, and the time-out.
  dmm_.SetFault(sim::FaultKind::kCutShort, 4);
  ASSERT_EQ(gpib_.SendGPIB("*IDN?"), 0u);
  EXPECT_EQ(gpib_.ReceiveGPIB(&answer, 100), 0x3000020Eu);
  EXPECT_EQ(answer, "ACME");
  EXPECT_EQ(gpib_.LastCount(), 4);
  dmm_.ClearFaults();
  ASSERT_EQ(gpib_.ClearGPIB(), 0u);

  // A device that does not listen: no listener (ENOL).
  dmm_.SetFault(sim::FaultKind::kRefuse);
  const Status refused = gpib_.SendGPIB("*RST");
  EXPECT_EQ(refused, 0x3000020Au);
  EXPECT_NE(ErrorText(gpib_, refused).find("ENOL"), std::string::npos);
  dmm_.ClearFaults();

  // Garbage arrives as it is, with its length.
  dmm_.SetFault(sim::FaultKind::kGarbage);
  ASSERT_EQ(gpib_.SendGPIB("*IDN?"), 0u);
  EXPECT_EQ(gpib_.ReceiveGPIB(&answer, 100), 0u);
  EXPECT_EQ(answer.size(), 21u);
  EXPECT_NE(answer, "ACME,DMM100,1234,1.0\n");
  dmm_.ClearFaults();

  // Too long an answer fills the buffer less one; the rest stays queued.
  dmm_.SetFault(sim::FaultKind::kTooLong, 300);
  ASSERT_EQ(gpib_.SendGPIB("*IDN?"), 0u);
  EXPECT_EQ(gpib_.ReceiveGPIB(&answer, 101), 0u);
  EXPECT_EQ(answer.size(), 100u);
  EXPECT_EQ(answer.substr(0, 5), "ACME,");
}

TEST_F(NI488GPIBTest, LateAnswersArriveWithinTheTimeOut) {
  ASSERT_EQ(gpib_.OpenDevice(0), 0u);
  ASSERT_EQ(gpib_.SetTimeOutGPIB(12), 0u);  // 3 s
  dmm_.SetFault(sim::FaultKind::kLate, 100);
  ASSERT_EQ(gpib_.SendGPIB("*OPC?"), 0u);
  const auto start = std::chrono::steady_clock::now();
  std::string answer;
  EXPECT_EQ(gpib_.ReceiveGPIB(&answer, 10), 0u);
  EXPECT_EQ(answer, "1\n");
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(100));
}

TEST_F(NI488GPIBTest, AMissingDeviceBoardOrLibraryFailsTheOpening) {
  NI488GPIB absent(GPIB0, 9, 0);
  EXPECT_EQ(absent.OpenDevice(0), 0x3000020Au) << "the device clear finds no listener (ENOL)";
  EXPECT_FALSE(absent.IsOpen());
  absent.SetClear(false);  // (no clear, or the opening would meet ENOL again)
  absent.SetReaddress(false);
  EXPECT_EQ(absent.OpenDevice(0), 0u) << "as on a real bus, ibdev does not look for the device";
  EXPECT_EQ(absent.SendGPIB("*IDN?"), 0x3000020Au) << "writing to nobody: ENOL";
  NI488GPIB badAddress(GPIB0, 31, 0);
  EXPECT_EQ(badAddress.OpenDevice(0), 0x3000020Cu) << "address out of range: EARG";
  EXPECT_FALSE(badAddress.IsOpen());
  setenv("SWMATRIX_SIM_BUS", bench_.Path("nobus").c_str(), 1);
  NI488GPIB noBus(GPIB0, 5, 0);
  EXPECT_EQ(noBus.OpenDevice(0), 0x30000208u) << "no driver: EDVR";

  LogCollector log;
  setenv("SWMATRIX_GPIB_LIBRARY", bench_.Path("libmissing.so").c_str(), 1);
  const Status status = gpib_.OpenDevice(0);
  EXPECT_EQ(status, 0x3000022Eu);
  EXPECT_NE(ErrorText(gpib_, status).find("cannot be loaded"), std::string::npos);
  EXPECT_EQ(LogCollector::Containing(log.UntilMarker(), {"LoadNI4882MLibrary", "could not be loaded"}).size(), 1u);
}

TEST_F(NI488GPIBTest, SaveSendGPIBAsksForOperationComplete) {
  ASSERT_EQ(gpib_.OpenDevice(0), 0u);
  EXPECT_EQ(gpib_.SaveSendGPIB(0, "", true, 0, nullptr), 0u);
  EXPECT_EQ(gpib_.SaveSendGPIB(0, "VOLT 5", true, 0, nullptr), 0u);
  std::string reply;
  EXPECT_EQ(gpib_.SaveSendGPIB(0, "*IDN?", false, 100, &reply), 0u);
  EXPECT_EQ(reply, "ACME,DMM100,1234,1.0\n");
  EXPECT_EQ(gpib_.Send(0, "*RST", false), 0u);
  EXPECT_EQ(dmm_.ReceivedCommands(), (std::vector<std::string>{"*OPC?", "VOLT 5;*OPC?", "*IDN?", "*RST"}));
  EXPECT_EQ(BusState(dmm_)["output_bytes"], 0) << "every \"1\" of *OPC? was read";
}

TEST_F(NI488GPIBTest, DeviceErrorsAreFetchedWithTheirText) {
  ASSERT_EQ(gpib_.OpenDevice(0), 0u);
  EXPECT_EQ(gpib_.CheckDeviceErrors(0), 0u);
  ASSERT_EQ(dmm_.Set("push-error", "-222,\"Data out of range\""), "");
  const Status status = gpib_.CheckDeviceErrors(0);
  EXPECT_EQ(status, 0x30000239u);
  EXPECT_EQ(gpib_.LastDeviceError(), "-222,\"Data out of range\"");
  EXPECT_EQ(ErrorText(gpib_, status), "Specific System Error: -222,\"Data out of range\"");
  EXPECT_EQ(gpib_.CheckDeviceErrors(0), 0u) << "the queue was read empty";
  EXPECT_EQ(dmm_.ReceivedCommands(), (std::vector<std::string>{"*STB?", "*STB?", "SYST:ERR?", "*STB?"}));
  EXPECT_EQ(gpib_.WaitUntilReady(0), 0u);
}

TEST_F(NI488GPIBTest, TimeOutCodesFollowTheTable) {
  EXPECT_EQ(gpib_.TimeoutCode(), 13) << "the constructor sets 10 s";
  EXPECT_EQ(gpib_.TimeoutMilliseconds(), 10000u);
  struct Case {
    int code;
    int stored;
    uint32_t milliseconds;
  };
  const Case cases[] = {{0, 13, 10000},  {18, 13, 10000}, {-1, 13, 10000}, {1, 1, 1},          {5, 5, 1},
                        {6, 6, 3},       {7, 7, 10},      {8, 8, 30},      {9, 9, 100},        {10, 10, 300},
                        {11, 11, 1000},  {12, 12, 3000},  {14, 14, 30000}, {15, 15, 100000},   {16, 16, 300000},
                        {17, 17, 1000000}};
  for (const Case& c : cases) {
    EXPECT_EQ(gpib_.SetTimeOutGPIB(c.code), 0u);
    EXPECT_EQ(gpib_.TimeoutCode(), c.stored) << c.code;
    EXPECT_EQ(gpib_.TimeoutMilliseconds(), c.milliseconds) << c.code;
  }
  ASSERT_EQ(gpib_.OpenDevice(0), 0u);
  EXPECT_EQ(gpib_.SetTimeoutMilliseconds(250), 0u);
  EXPECT_EQ(gpib_.TimeoutCode(), 10) << "the shortest code lasting 250 ms is 300 ms";
  EXPECT_EQ(gpib_.SetTimeoutMilliseconds(5000000), 0u);
  EXPECT_EQ(gpib_.TimeoutCode(), 17);
}

TEST_F(NI488GPIBTest, EndOfStringSettingsFormTheEosWord) {
  EXPECT_EQ(gpib_.EndOfStringWord(), 0);
  gpib_.SetEndOfString(static_cast<eEndOfStringMode>(eeosmTerminateReadOnEOS | eeosmEightBitCompare), '\n');
  EXPECT_EQ(gpib_.EndOfStringWord(), 0x140A);
  gpib_.SetEndOfString(eeosmSendEndWithEOS, '\r');
  EXPECT_EQ(gpib_.EndOfStringWord(), 0x080D);
}

TEST_F(NI488GPIBTest, EachThreadReadsItsOwnStatus) {
  NI488GPIB present(GPIB0, 5, 0);
  NI488GPIB absent(GPIB0, 9, 0);
  absent.SetClear(false);
  ASSERT_EQ(present.OpenDevice(0), 0u);
  ASSERT_EQ(absent.OpenDevice(0), 0u);
  constexpr int kRounds = 200;
  std::vector<Status> presentStatuses, absentStatuses;
  std::thread failing([&] {
    for (int i = 0; i < kRounds; ++i) absentStatuses.push_back(absent.SendGPIB("*CLS"));
  });
  for (int i = 0; i < kRounds; ++i) presentStatuses.push_back(present.SendGPIB("*CLS"));
  failing.join();
  EXPECT_EQ(presentStatuses, std::vector<Status>(kRounds, 0u)) << "the other thread's errors never show here";
  EXPECT_EQ(absentStatuses, std::vector<Status>(kRounds, 0x3000020Au));
}

// linux-gpib finds a board only by its gpib.conf name (its template says
// "violet"); every configured board also answers under its index. Whichever
// way the board was had, closing gives back what the module took.
TEST_F(NI488GPIBTest, TheBoardIsFoundByItsNameOrItsIndexAndEveryDescriptorGoesBack) {
  struct Row {
    std::optional<std::string> configuration;
    int probeBoard;
    Status opened;
    bool byIndex;
  } rows[] = {
      {std::nullopt, 0, 0, true},
      {"interface {\n  minor = 0\n  name = \"GPIB0\"\n}\n", 0, 0, false},
      {"interface { minor = 1 name = \"GPIB1\" }\n", 1, 0x30000208, false},
  };
  for (const Row& row : rows) {
    std::optional<std::string> path;
    // (a file of its own per row: the library reads a configuration once)
    if (row.configuration) WriteFile(*(path = bench_.Path("gpib" + std::to_string(&row - rows) + ".conf")), *row.configuration);
    ScopedVariable configuration("IB_CONFIG", path);
    const int before = NextGpibDescriptor(row.probeBoard);
    NI488GPIB device(GPIB0, 5, 0);
    EXPECT_EQ(device.OpenDevice(0), row.opened) << row.probeBoard;
    std::string identification;
    if (!row.opened) {
      EXPECT_EQ(device.GetIdentificationString(0, &identification), 0u);
    }
    EXPECT_EQ(identification.empty(), row.opened != 0);
    EXPECT_EQ(device.CloseDevice(0), 0u);
    EXPECT_EQ(device.OpenBoard(0), row.opened);
    EXPECT_EQ(device.OpenBoard(0), row.opened) << "opening the board again keeps one descriptor";
    EXPECT_EQ(device.BoardDescriptor() == 0, row.byIndex) << "the board index or a descriptor of ibfind";
    EXPECT_EQ(device.CloseBoard(0), 0u);
    EXPECT_EQ(NextGpibDescriptor(row.probeBoard), before) << row.probeBoard;
  }
}

// A board whose device file does not open (no permission, no driver, an
// adapter unplugged) fails before the library is asked for a descriptor,
// which it would keep: the status names the system's reason.
TEST_F(NI488GPIBTest, ABoardThatCannotBeOpenedTakesNoDescriptor) {
  const int before = NextGpibDescriptor();
  std::filesystem::create_directories(bench_.Path("dev"));  // without gpib0
  {
    ScopedVariable devices("SWMATRIX_GPIB_DEVICES", bench_.Path("dev"));
    NI488GPIB plain(GPIB0, 5, 0);
    NI4882CompliantGPIB registering(GPIB0, 5, 0);
    for (NI488GPIB* device : {&plain, static_cast<NI488GPIB*>(&registering)}) {
      const Status status = device->OpenDevice(0);
      EXPECT_EQ(status, 0x30007002u);
      EXPECT_EQ(ErrorText(*device, status), "System error 2: No such file or directory");
      EXPECT_EQ(device->OpenBoard(0), 0x30007002u);
    }
  }
  EXPECT_EQ(NextGpibDescriptor(), before);
}
