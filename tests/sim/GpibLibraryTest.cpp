// The simulated GPIB library (build/lib/sim/libgpib.so.0), loaded as the
// module loads it and driven against an in-process simulator's bus.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include "SimTestIo.h"
#include "sim/core/Simulator.h"
#include "support/ScopedVariable.h"
#include "support/TestFiles.h"

namespace {

constexpr int kErr = 0x8000, kTimo = 0x4000, kEnd = 0x2000, kSrqi = 0x1000, kCmpl = 0x0100;
constexpr int kEdvr = 0, kEarg = 4, kEabo = 6, kEcap = 11;
constexpr int kT1s = 11, kT100ms = 9;

struct Gpib {
  void* handle = nullptr;
  int (*ibfind)(const char*);
  int (*ibdev)(int, int, int, int, int, int);
  int (*ibonl)(int, int);
  int (*ibwrt)(int, const void*, long);
  int (*ibrd)(int, void*, long);
  int (*ibrsp)(int, char*);
  int (*ibcmd)(int, const void*, long);
  int (*ibtmo)(int, int);
  int (*ibwait)(int, int);
  int (*iblines)(int, short*);
  int (*ibnotify)(int, int, void*, void*);
  int (*iblck)(int, int, unsigned, void*);
  int (*ThreadIbsta)();
  int (*ThreadIberr)();
  long (*ThreadIbcntl)();

  template <class F>
  void Resolve(F*& function, const char* name) {
    function = reinterpret_cast<F*>(dlsym(handle, name));
    ASSERT_NE(function, nullptr) << name;
  }
  void Load() {
    handle = dlopen(SWM_BUILD_DIR "/lib/sim/libgpib.so.0", RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(handle, nullptr) << dlerror();
    Resolve(ibfind, "ibfind");
    Resolve(ibdev, "ibdev");
    Resolve(ibonl, "ibonl");
    Resolve(ibwrt, "ibwrt");
    Resolve(ibrd, "ibrd");
    Resolve(ibrsp, "ibrsp");
    Resolve(ibcmd, "ibcmd");
    Resolve(ibtmo, "ibtmo");
    Resolve(ibwait, "ibwait");
    Resolve(iblines, "iblines");
    Resolve(ibnotify, "ibnotify");
    Resolve(iblck, "iblck");
    Resolve(ThreadIbsta, "ThreadIbsta");
    Resolve(ThreadIberr, "ThreadIberr");
    Resolve(ThreadIbcntl, "ThreadIbcntl");
  }
};

class GpibLibrary : public ::testing::Test {
protected:
  void SetUp() override {
    gpib_.Load();
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

TEST_F(GpibLibrary, AReadStopsAtItsCountAndAClosedDescriptorIsRefused) {
  const int ud = gpib_.ibdev(0, 5, 0, kT1s, 1, 0);
  ASSERT_GE(ud, 0);
  // A read that stops at its count leaves the rest; END comes with the last part.
  EXPECT_EQ(gpib_.ibwrt(ud, "*IDN?\n", 6), kCmpl | kEnd);
  EXPECT_EQ(Read(ud, 4), "GPIB");
  EXPECT_EQ(gpib_.ThreadIbsta(), kCmpl);
  EXPECT_EQ(Read(ud, 100), ",DMM,1,2\n");
  EXPECT_EQ(gpib_.ThreadIbsta(), kCmpl | kEnd);

  EXPECT_EQ(gpib_.ibonl(ud, 0), kCmpl);
  EXPECT_EQ(gpib_.ibwrt(ud, "*IDN?\n", 6), kErr);  // closed descriptor
  EXPECT_EQ(gpib_.ThreadIberr(), kEdvr);
}

TEST_F(GpibLibrary, TimeOutsAndBadArgumentsSetTheErrorNumbers) {
  const int ud = gpib_.ibdev(0, 5, 0, kT100ms, 1, 0);
  const int64_t start = simtest::NowMs();
  EXPECT_EQ(Read(ud, 100), "");
  EXPECT_EQ(gpib_.ThreadIbsta(), kErr | kTimo | kCmpl);
  EXPECT_EQ(gpib_.ThreadIberr(), kEabo);
  EXPECT_GE(simtest::NowMs() - start, 100);

  EXPECT_EQ(gpib_.ibtmo(ud, 18), kErr);
  EXPECT_EQ(gpib_.ThreadIberr(), kEarg);
  EXPECT_EQ(gpib_.ibfind("DEV7"), -1);
  EXPECT_EQ(gpib_.ThreadIberr(), kEdvr);
  EXPECT_EQ(gpib_.ibnotify(ud, 0x800, nullptr, nullptr), kErr);
  EXPECT_EQ(gpib_.ThreadIberr(), kEcap);
  EXPECT_EQ(gpib_.iblck(ud, 1, 1000, nullptr), kCmpl);
}

TEST_F(GpibLibrary, ServiceRequestAndBoardCommands) {
  const int board = gpib_.ibfind("gpib0");
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

  EXPECT_EQ(gpib_.ibcmd(ud, "\x11", 1), kErr);  // commands go to a board
  EXPECT_EQ(gpib_.ThreadIberr(), kEarg);
}

TEST(GpibLibraryWithoutBus, ReportsTheDriverMissing) {
  Gpib gpib;
  gpib.Load();
  ScopedVariable noBus("SWMATRIX_SIM_BUS", std::nullopt);
  EXPECT_EQ(gpib.ibfind("GPIB0"), -1);
  EXPECT_EQ(gpib.ThreadIbsta(), kErr);
  EXPECT_EQ(gpib.ThreadIberr(), kEdvr);
}

}  // namespace
