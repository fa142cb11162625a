// The simulated GPIB library (build/lib/sim/libgpib.so.0), loaded as the
// module loads it and driven against an in-process simulator's bus. It must
// be as strict as linux-gpib where a caller can go wrong: boards found by
// their gpib.conf name exactly, board descriptors equal to the board index,
// a descriptor table of 4096 entries that only ibonl(ud, 0) empties and that
// keeps the entry of a failed open, ENEB when it is full, an abort when two
// threads are inside calls on one descriptor, automatic serial polling per
// board, and no ibfindW, ibnotify or iblck.
#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <thread>

#include "SimTestIo.h"
#include "sim/core/Simulator.h"
#include "support/LibrarySymbols.h"
#include "support/ScopedVariable.h"
#include "support/TestFiles.h"

namespace {

constexpr int kErr = 0x8000, kTimo = 0x4000, kEnd = 0x2000, kSrqi = 0x1000, kRqs = 0x0800, kCmpl = 0x0100;
constexpr int kEdvr = 0, kEarg = 4, kEabo = 6, kEneb = 7;
constexpr int kT1s = 11, kT100ms = 9;

// The library's functions in use, each resolved by its name.
struct Gpib : LibrarySymbols {
  Gpib() : LibrarySymbols(SWM_BUILD_DIR "/lib/sim/libgpib.so.0") {}
  int (*ibfind)(const char*) = Function("ibfind");
  int (*ibdev)(int, int, int, int, int, int) = Function("ibdev");
  int (*ibonl)(int, int) = Function("ibonl");
  int (*ibwrt)(int, const void*, long) = Function("ibwrt");
  int (*ibrd)(int, void*, long) = Function("ibrd");
  int (*ibrsp)(int, char*) = Function("ibrsp");
  int (*ibcmd)(int, const void*, long) = Function("ibcmd");
  int (*ibtmo)(int, int) = Function("ibtmo");
  int (*ibwait)(int, int) = Function("ibwait");
  int (*iblines)(int, short*) = Function("iblines");
  int (*ibask)(int, int, int*) = Function("ibask");
  int (*ibconfig)(int, int, int) = Function("ibconfig");
  int (*ThreadIbsta)() = Function("ThreadIbsta");
  int (*ThreadIberr)() = Function("ThreadIberr");
  long (*ThreadIbcntl)() = Function("ThreadIbcntl");
};

class GpibLibrary : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_FALSE(HasFailure()) << "the library or one of its functions is missing";
    simulator_.SetBoardAddress(0);
    ASSERT_EQ(simulator_.ListenBus(directory_.File("bus")), "");
    simulator_.Add("dmm", {{"transport", "gpib"}, {"address", "5"}, {"idn", "GPIB,DMM,1,2"}});
  }
  std::string Read(int ud, long count) {
    std::string buffer(static_cast<size_t>(count), '\0');
    gpib_.ibrd(ud, buffer.data(), count);
    buffer.resize(static_cast<size_t>(gpib_.ThreadIbcntl()));
    return buffer;
  }

  Gpib gpib_;
  TestDirectory directory_;
  ScopedVariable bus_{"SWMATRIX_SIM_BUS", directory_.File("bus")};
  sim::Simulator simulator_;
};

TEST_F(GpibLibrary, AReadStopsAtItsCountOrItsTimeOutAndBadArgumentsOrAClosedDescriptorSetTheErrorNumbers) {
  const int ud = gpib_.ibdev(0, 5, 0, kT1s, 1, 0);
  ASSERT_GE(ud, 0);
  // A read that stops at its count leaves the rest; END comes with the last part.
  EXPECT_EQ(gpib_.ibwrt(ud, "*IDN?\n", 6), kCmpl | kEnd);
  EXPECT_EQ(Read(ud, 4), "GPIB");
  EXPECT_EQ(gpib_.ThreadIbsta(), kCmpl);
  EXPECT_EQ(Read(ud, 100), ",DMM,1,2\n");
  EXPECT_EQ(gpib_.ThreadIbsta(), kCmpl | kEnd);

  // Nothing more to read: the time-out ends the read.
  EXPECT_EQ(gpib_.ibtmo(ud, kT100ms), kCmpl);
  const int64_t start = simtest::NowMs();
  EXPECT_EQ(Read(ud, 100), "");
  EXPECT_EQ(gpib_.ThreadIbsta(), kErr | kTimo | kCmpl);
  EXPECT_EQ(gpib_.ThreadIberr(), kEabo);
  EXPECT_GE(simtest::NowMs() - start, 100);
  EXPECT_EQ(gpib_.ibtmo(ud, 18), kErr);
  EXPECT_EQ(gpib_.ThreadIberr(), kEarg);

  EXPECT_EQ(gpib_.ibonl(ud, 0), kCmpl);
  EXPECT_EQ(gpib_.ibwrt(ud, "*IDN?\n", 6), kErr);  // closed descriptor
  EXPECT_EQ(gpib_.ThreadIberr(), kEdvr);
}

// Boards by name (exactly, as gpib.conf gives it) or by index; without
// IB_CONFIG the library reads the configuration linux-gpib ships ("violet").
TEST_F(GpibLibrary, BoardsAreFoundByTheirExactNameOrUsedByTheirIndex) {
  const std::string conf = directory_.File("gpib.conf");
  WriteFile(conf, "/* two boards */\ninterface {\n  minor = 0\n  board_type = \"ni_pci\"\n  name = \"gpib0\"\n}\n"
                  "device { minor = 0 name = \"dmm\" pad = 5 }\ninterface { minor = 1 name = \"Bench\" pad = 0 }\n");
  struct Row {
    std::optional<std::string> configuration;
    const char* name;
    bool found;
  } rows[] = {{std::nullopt, "violet", true}, {std::nullopt, "Violet", false}, {std::nullopt, "GPIB0", false},
              {conf, "gpib0", true},          {conf, "GPIB0", false},          {conf, "Bench", true},
              {conf, "dmm", false},           {conf, "violet", false}};
  for (const Row& row : rows) {
    ScopedVariable configuration("IB_CONFIG", row.configuration);
    const int ud = gpib_.ibfind(row.name);
    EXPECT_EQ(ud >= 16, row.found) << row.name << " gave " << ud;
    EXPECT_EQ(gpib_.ThreadIbsta() & kErr, row.found ? 0 : kErr) << row.name;
    if (ud >= 0) {
      EXPECT_EQ(gpib_.ibonl(ud, 0), kCmpl);
    }
  }
  // A configured board answers under its index without any ibfind; another does not.
  ScopedVariable configuration("IB_CONFIG", conf);
  int address = -1;
  EXPECT_EQ(gpib_.ibask(1, 0x1, &address), kCmpl);
  EXPECT_EQ(address, 0);
  testing::internal::CaptureStderr();
  short lines = 0;
  EXPECT_EQ(gpib_.iblines(2, &lines), kErr);
  EXPECT_NE(testing::internal::GetCapturedStderr().find("libgpib: invalid descriptor 2"), std::string::npos)
      << "as linux-gpib, a call on a board that is not configured says so on stderr";
  EXPECT_EQ(gpib_.ibask(2, 0x1, &address), kErr);
  EXPECT_EQ(gpib_.ThreadIberr(), kEdvr);
  EXPECT_EQ(gpib_.ibdev(2, 5, 0, kT1s, 1, 0), -1) << "board 2 is not configured";
}

// Every ibfind and ibdev takes an entry of the table, also one that fails;
// a full table fails the call with ENEB and linux-gpib's message, and
// ibonl(ud, 0) frees one.
TEST_F(GpibLibrary, TheDescriptorTableHoldsWhatTheRealOneHoldsAndKeepsTheEntriesOfFailedOpens) {
  std::vector<int> opened;
  for (int ud = gpib_.ibfind("violet"); ud >= 0; ud = gpib_.ibdev(0, 5, 0, kT1s, 1, 0)) opened.push_back(ud);
  testing::internal::CaptureStderr();
  EXPECT_EQ(gpib_.ibdev(0, 5, 0, kT1s, 1, 0), -1);
  EXPECT_NE(testing::internal::GetCapturedStderr().find("libgpib: out of room in ibConfigs[]"), std::string::npos);
  EXPECT_EQ(gpib_.ThreadIbsta(), kErr);
  EXPECT_EQ(gpib_.ThreadIberr(), kEneb);
  ASSERT_EQ(opened.size(), 4096u - 16u);
  EXPECT_EQ(opened.front(), 16);
  EXPECT_EQ(gpib_.ibonl(opened[100], 0), kCmpl);
  EXPECT_EQ(gpib_.ibdev(0, 5, 0, kT1s, 1, 0), opened[100]) << "the freed entry is taken again";
  for (int ud : opened) gpib_.ibonl(ud, 0);
  const int first = gpib_.ibdev(0, 5, 0, kT1s, 1, 0);
  EXPECT_EQ(first, 16);
  gpib_.ibonl(first, 0);

  // A board whose device file does not open fails the open with EDVR and
  // errno in ibcntl, and the entry it took stays taken, as linux-gpib's does.
  std::filesystem::create_directories(directory_.File("dev/gpib0"));
  {
    ScopedVariable devices("SWMATRIX_GPIB_DEVICES", directory_.File("dev"));
    testing::internal::CaptureStderr();
    EXPECT_EQ(gpib_.ibdev(0, 5, 0, kT1s, 1, 0), -1);
    EXPECT_NE(testing::internal::GetCapturedStderr().find("gpib0"), std::string::npos);
    EXPECT_EQ(gpib_.ThreadIbsta(), kErr);
    EXPECT_EQ(gpib_.ThreadIberr(), kEdvr);
    EXPECT_EQ(gpib_.ThreadIbcntl(), EISDIR);
    EXPECT_EQ(gpib_.ibfind("violet"), -1);
    EXPECT_EQ(gpib_.ThreadIbcntl(), EISDIR);
  }
  const int next = gpib_.ibdev(0, 5, 0, kT1s, 1, 0);
  EXPECT_EQ(next, first + 2) << "both failed opens kept their entries";
  gpib_.ibonl(next, 0);
}

TEST_F(GpibLibrary, ServiceRequestAndBoardCommands) {
  const int board = 0;  // the board index is its descriptor
  const int ud = gpib_.ibdev(0, 5, 0, kT1s, 1, 0);
  gpib_.ibwrt(ud, "*CLS;*ESE 1;*SRE 32\n", 20);
  short lines = 0;
  EXPECT_EQ(gpib_.iblines(board, &lines), kCmpl);
  EXPECT_EQ(lines & 0x2000, 0);
  gpib_.ibwrt(ud, "*OPC\n", 5);
  EXPECT_EQ(gpib_.ibwait(board, kSrqi | kTimo), kCmpl | kSrqi);
  gpib_.iblines(board, &lines);
  EXPECT_EQ(lines & 0x2020, 0x2020);
  char status = 0;
  EXPECT_EQ(gpib_.ibrsp(ud, &status), kCmpl);
  EXPECT_EQ(static_cast<unsigned char>(status), 96);
  gpib_.ibtmo(board, kT100ms);
  EXPECT_EQ(gpib_.ibwait(board, kSrqi | kTimo) & (kSrqi | kTimo), kTimo);  // the poll ended it
  // Without automatic polling a device does not see its own request.
  gpib_.ibwrt(ud, "*CLS\n", 5);
  gpib_.ibwrt(ud, "*OPC\n", 5);
  gpib_.ibtmo(ud, kT100ms);
  EXPECT_EQ(gpib_.ibwait(ud, kRqs | kTimo), kCmpl | kTimo);
  EXPECT_EQ(gpib_.ibwait(ud, 0), kCmpl);
  // With it the board polls the device itself and clears the line: the
  // device's descriptor shows RQS until its queued byte is read.
  EXPECT_EQ(gpib_.ibconfig(board, 0x7, 1), kCmpl);
  EXPECT_EQ(gpib_.ibwait(board, kSrqi | kTimo), kCmpl | kTimo);
  EXPECT_EQ(gpib_.ibwait(ud, 0), kCmpl | kRqs);
  gpib_.ibwrt(ud, "*CLS\n", 5);
  gpib_.ibwrt(ud, "*OPC\n", 5);
  EXPECT_EQ(gpib_.ibwait(board, kSrqi | kTimo), kCmpl | kTimo) << "polled again at once";
  for (int queued = 0; queued < 2; ++queued) {
    EXPECT_EQ(gpib_.ibrsp(ud, &status), kCmpl);
    EXPECT_EQ(static_cast<unsigned char>(status), 96) << queued;
  }
  EXPECT_EQ(gpib_.ibwait(ud, 0), kCmpl);
  EXPECT_EQ(gpib_.ibconfig(board, 0x7, 0), kCmpl);

  EXPECT_EQ(gpib_.ibcmd(ud, "\x11", 1), kErr);  // commands go to a board
  EXPECT_EQ(gpib_.ThreadIberr(), kEarg);
  gpib_.ibonl(ud, 0);
}

// linux-gpib asserts that a descriptor's lock is free when a call that locks
// the board (ibrd, ibwrt, ibask, ibcmd) begins: a second thread aborts.
TEST_F(GpibLibrary, TwoThreadsInsideCallsOnOneDescriptorAbort) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  const int ud = gpib_.ibdev(0, 5, 0, kT1s, 1, 0);
  EXPECT_DEATH(
      {
        std::thread reading([&] { Read(ud, 100); });  // nothing to read: inside for a second
        int value = 0;
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(3);
        while (std::chrono::steady_clock::now() < end) gpib_.ibask(ud, 0x3, &value);
        reading.join();
      },
      "Assertion `conf->has_lock == 0' failed");
  // One after the other is fine, on one descriptor or on several at once.
  const int other = gpib_.ibdev(0, 5, 0, kT1s, 1, 0);
  std::thread writing([&] { gpib_.ibwrt(other, "*CLS\n", 5); });
  EXPECT_EQ(gpib_.ibwrt(ud, "*CLS\n", 5), kCmpl | kEnd);
  writing.join();
  gpib_.ibonl(ud, 0);
  gpib_.ibonl(other, 0);
}

TEST(GpibLibraryWithoutBus, OffersOnlyWhatLinuxGpibOffersAndReportsTheDriverMissing) {
  Gpib gpib;
  ASSERT_FALSE(HasFailure()) << "the library or one of its functions is missing";
  for (const char* absent : {"ibfindW", "ibnotify", "iblck"}) EXPECT_FALSE(gpib.Offers(absent)) << absent;
  ScopedVariable noBus("SWMATRIX_SIM_BUS", std::nullopt);
  EXPECT_EQ(gpib.ibfind("violet"), -1);
  EXPECT_EQ(gpib.ThreadIbsta(), kErr);
  EXPECT_EQ(gpib.ThreadIberr(), kEdvr);
}

}  // namespace
