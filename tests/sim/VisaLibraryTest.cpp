// The simulated VISA library (build/lib/sim/libvisa.so), loaded as the module
// loads it: bus resources through an in-process simulator, serial resources
// through the COMn links of its pseudo-terminals.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <nlohmann/json.hpp>

#include "SimTestIo.h"
#include "sim/core/Simulator.h"
#include "support/LibrarySymbols.h"
#include "support/ScopedVariable.h"
#include "support/TestFiles.h"

namespace {

using ViStatus = int32_t;
using ViSession = uint32_t;

constexpr ViStatus kSuccess = 0, kTermChar = 0x3FFF0005, kMaxCount = 0x3FFF0006;
constexpr ViStatus Error(uint32_t code) { return static_cast<ViStatus>(code); }
const ViStatus kNotFound = Error(0xBFFF0011), kTimeout = Error(0xBFFF0015),
               kInvalidObject = Error(0xBFFF000E), kNoAttribute = Error(0xBFFF001D),
               kBadAttributeState = Error(0xBFFF001E), kInvalidMask = Error(0xBFFF003D);
const ViStatus kLocked = Error(0xBFFF000F), kNotEnabled = Error(0xBFFF002F), kNotSupported = Error(0xBFFF0067),
               kNotLocked = Error(0xBFFF009C);
constexpr uint32_t kTimeoutAttribute = 0x3FFF001A, kTermChar_ = 0x3FFF0018, kTermCharEnabled = 0x3FFF0038,
                   kBaud = 0x3FFF0021, kDataBits = 0x3FFF0022, kInterfaceType = 0x3FFF0171,
                   kResourceName = 0xBFFF0002, kResourceClass = 0xBFFF0001, kEventType = 0x3FFF4010,
                   kServiceRequest = 0x3FFF200B, kAllEvents = 0x3FFF7FFF;

// The library's functions in use, each resolved by its name.
struct Visa : LibrarySymbols {
  Visa() : LibrarySymbols(SWM_BUILD_DIR "/lib/sim/libvisa.so") {}
  ViStatus (*viOpenDefaultRM)(ViSession*) = Function("viOpenDefaultRM");
  ViStatus (*viOpen)(ViSession, const char*, uint32_t, uint32_t, ViSession*) = Function("viOpen");
  ViStatus (*viClose)(ViSession) = Function("viClose");
  ViStatus (*viWrite)(ViSession, const unsigned char*, uint32_t, uint32_t*) = Function("viWrite");
  ViStatus (*viRead)(ViSession, unsigned char*, uint32_t, uint32_t*) = Function("viRead");
  ViStatus (*viGetAttribute)(ViSession, uint32_t, void*) = Function("viGetAttribute");
  ViStatus (*viSetAttribute)(ViSession, uint32_t, uint64_t) = Function("viSetAttribute");
  ViStatus (*viClear)(ViSession) = Function("viClear");
  ViStatus (*viSetBuf)(ViSession, uint16_t, uint32_t) = Function("viSetBuf");
  ViStatus (*viStatusDesc)(ViSession, ViStatus, char*) = Function("viStatusDesc");
  ViStatus (*viFlush)(ViSession, uint16_t) = Function("viFlush");
  ViStatus (*viDisableEvent)(ViSession, uint32_t, uint16_t) = Function("viDisableEvent");
  ViStatus (*viDiscardEvents)(ViSession, uint32_t, uint16_t) = Function("viDiscardEvents");
  ViStatus (*viWaitOnEvent)(ViSession, uint32_t, uint32_t, uint32_t*, ViSession*) = Function("viWaitOnEvent");
  ViStatus (*viLock)(ViSession, uint32_t, uint32_t, const char*, char*) = Function("viLock");
  ViStatus (*viUnlock)(ViSession) = Function("viUnlock");
  ViStatus (*viEnableEvent)(ViSession, uint32_t, uint16_t, uint32_t) = Function("viEnableEvent");
  ViStatus (*viReadSTB)(ViSession, uint16_t*) = Function("viReadSTB");
  ViStatus (*viAssertTrigger)(ViSession, uint16_t) = Function("viAssertTrigger");
  ViStatus (*viGpibControlREN)(ViSession, uint16_t) = Function("viGpibControlREN");
};

class VisaLibrary : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_FALSE(HasFailure()) << "the library or one of its functions is missing";
    std::filesystem::create_directory(directory_.File("ports"));
    simulator_.SetPortsDirectory(directory_.File("ports"));
    ASSERT_EQ(simulator_.ListenBus(directory_.File("bus")), "");
    ASSERT_EQ(visa_.viOpenDefaultRM(&manager_), kSuccess);
  }
  void TearDown() override { visa_.viClose(manager_); }
  ViStatus Write(ViSession vi, const std::string& bytes) {
    uint32_t written = 0;
    const ViStatus status =
        visa_.viWrite(vi, reinterpret_cast<const unsigned char*>(bytes.data()), static_cast<uint32_t>(bytes.size()), &written);
    if (status == kSuccess) {
      EXPECT_EQ(written, bytes.size());
    }
    return status;
  }
  std::string Read(ViSession vi, uint32_t count, ViStatus* status) {
    std::string buffer(count, '\0');
    uint32_t got = 0;
    *status = visa_.viRead(vi, reinterpret_cast<unsigned char*>(buffer.data()), count, &got);
    buffer.resize(got);
    return buffer;
  }

  Visa visa_;
  TestDirectory directory_;
  ScopedVariable bus_{"SWMATRIX_SIM_BUS", directory_.File("bus")};
  ScopedVariable ports_{"SWMATRIX_PORTS", directory_.File("ports")};
  sim::Simulator simulator_;
  ViSession manager_ = 0;
};

TEST_F(VisaLibrary, BusResourcesWriteReadAndClear) {
  sim::Instrument& lan = simulator_.Add("lan", {{"transport", "visa"}, {"resource", "TCPIP0::10.0.0.7::INSTR"}, {"idn", "LAN,1,2,3"}});
  ViSession vi = 0;
  ASSERT_EQ(visa_.viOpen(manager_, "tcpip::10.0.0.7::instr", 0, 0, &vi), kSuccess);
  EXPECT_EQ(visa_.viSetAttribute(vi, kTermCharEnabled, 1), kSuccess);
  ASSERT_EQ(Write(vi, "*IDN?\n"), kSuccess);
  ViStatus status = 0;
  EXPECT_EQ(Read(vi, 4, &status), "LAN,");
  EXPECT_EQ(status, kMaxCount);
  EXPECT_EQ(Read(vi, 100, &status), "1,2,3\n");
  EXPECT_EQ(status, kTermChar);

  EXPECT_EQ(visa_.viSetAttribute(vi, kTimeoutAttribute, 50), kSuccess);
  Write(vi, "*IDN?\n");
  EXPECT_EQ(visa_.viClear(vi), kSuccess);
  EXPECT_EQ(Read(vi, 100, &status), "");  // the clear dropped the answer
  EXPECT_EQ(status, kTimeout);
  EXPECT_EQ(lan.State()["transport_state"]["device_clears"], 1);

  uint16_t type = 0;
  EXPECT_EQ(visa_.viGetAttribute(vi, kInterfaceType, &type), kSuccess);
  EXPECT_EQ(type, 6);
  char name[256] = {};
  EXPECT_EQ(visa_.viGetAttribute(vi, kResourceName, name), kSuccess);
  EXPECT_STREQ(name, "TCPIP0::10.0.0.7::INSTR");
  EXPECT_EQ(visa_.viSetAttribute(vi, kBaud, 9600), kNoAttribute);
  EXPECT_EQ(visa_.viClose(vi), kSuccess);
  EXPECT_EQ(Write(vi, "*IDN?\n"), kInvalidObject);
}

TEST_F(VisaLibrary, MissingResourcesAreNotFound) {
  ViSession vi = 7;
  EXPECT_EQ(visa_.viOpen(manager_, "GPIB0::3::INSTR", 0, 0, &vi), kNotFound);
  EXPECT_EQ(vi, 0u);
  EXPECT_EQ(visa_.viOpen(manager_, "COM3", 0, 0, &vi), kNotFound);  // no aliases
  EXPECT_EQ(visa_.viOpen(manager_, "ASRL3::INSTR", 0, 0, &vi), kNotFound);  // no COM3 link
  EXPECT_EQ(visa_.viOpen(12345, "GPIB0::3::INSTR", 0, 0, &vi), kInvalidObject);
  char text[256];
  EXPECT_EQ(visa_.viStatusDesc(manager_, kTimeout, text), kSuccess);
  EXPECT_STREQ(text, "Timeout expired before operation completed.");
  EXPECT_EQ(visa_.viStatusDesc(manager_, kInvalidMask, text), kSuccess);
  EXPECT_STREQ(text, "Invalid buffer mask specified.");
  EXPECT_NE(visa_.viStatusDesc(manager_, Error(0xBFFF0999), text), kSuccess);
  EXPECT_STREQ(text, "Unknown status code.");
}

TEST_F(VisaLibrary, SerialResourcesUseTheComLinksWithTheirLineSettings) {
  sim::Instrument& meter = simulator_.Add("meter", {{"transport", "pty"}, {"com", "3"}, {"idn", "SER,1,2,3"}});
  ViSession vi = 0;
  ASSERT_EQ(visa_.viOpen(manager_, "ASRL3::INSTR", 0, 0, &vi), kSuccess);
  EXPECT_EQ(visa_.viSetAttribute(vi, kBaud, 19200), kSuccess);
  EXPECT_EQ(visa_.viSetAttribute(vi, kDataBits, 9), kBadAttributeState);
  uint32_t baud = 0;
  EXPECT_EQ(visa_.viGetAttribute(vi, kBaud, &baud), kSuccess);
  EXPECT_EQ(baud, 19200u);

  // Serial reads end at the termination character; what follows waits for the next read.
  ASSERT_EQ(Write(vi, "*IDN?\n*OPC?\n"), kSuccess);
  ViStatus status = 0;
  EXPECT_EQ(Read(vi, 100, &status), "SER,1,2,3\n");
  EXPECT_EQ(status, kSuccess);
  EXPECT_EQ(Read(vi, 100, &status), "1\n");
  EXPECT_EQ(visa_.viSetAttribute(vi, kTermChar_, '\r'), kSuccess);
  EXPECT_EQ(visa_.viSetAttribute(vi, kTermCharEnabled, 1), kSuccess);
  ASSERT_TRUE(meter.Set("terminator", "cr").empty());
  Write(vi, "*OPC?\r");
  EXPECT_EQ(Read(vi, 100, &status), "1\r");
  EXPECT_EQ(status, kTermChar);

  EXPECT_EQ(visa_.viFlush(vi, 0), kInvalidMask);
  EXPECT_EQ(visa_.viSetBuf(vi, 16 | 32, 4096), kSuccess);
  EXPECT_EQ(visa_.viSetBuf(vi, 4, 4096), kInvalidMask);
  char key[256] = "x";
  EXPECT_EQ(visa_.viLock(vi, 1, 1000, nullptr, key), kSuccess);
  EXPECT_EQ(visa_.viUnlock(vi), kSuccess);
  EXPECT_EQ(visa_.viClose(vi), kSuccess);
}

// The queue mechanism: enabled first; an event has its context, closed by
// the caller; the status byte polled to find the requester is the next
// viReadSTB's. Trigger and remote enable reach the device.
TEST_F(VisaLibrary, ServiceRequestEventsTriggerAndRemoteEnableOfAGpibResource) {
  sim::Instrument& dmm = simulator_.Add("dmm", {{"transport", "gpib"}, {"address", "4"}});
  ViSession vi = 0;
  ASSERT_EQ(visa_.viOpen(manager_, "GPIB0::4::INSTR", 0, 0, &vi), kSuccess);
  uint32_t type = 1;
  ViSession context = 1;
  EXPECT_EQ(visa_.viWaitOnEvent(vi, kServiceRequest, 20, &type, &context), kNotEnabled);
  EXPECT_EQ(visa_.viEnableEvent(vi, kServiceRequest, 2, 0), Error(0xBFFF0028)) << "no handler installed";
  EXPECT_EQ(visa_.viEnableEvent(vi, kServiceRequest, 1, 0), kSuccess);
  EXPECT_EQ(visa_.viEnableEvent(vi, kServiceRequest, 1, 0), 0x3FFF0002);
  EXPECT_EQ(visa_.viDisableEvent(vi, 0x12345678, 1), Error(0xBFFF0026));
  EXPECT_EQ(visa_.viWaitOnEvent(vi, kServiceRequest, 20, &type, &context), kTimeout);
  EXPECT_EQ(type, 0u);
  Write(vi, "*CLS;*ESE 1;*SRE 32;*OPC\n");
  ASSERT_EQ(visa_.viWaitOnEvent(vi, kAllEvents, 5000, &type, &context), kSuccess);
  EXPECT_EQ(type, kServiceRequest);
  uint32_t contextType = 0;
  EXPECT_EQ(visa_.viGetAttribute(context, kEventType, &contextType), kSuccess);
  EXPECT_EQ(contextType, kServiceRequest);
  EXPECT_EQ(visa_.viClose(context), kSuccess);
  uint16_t stb = 0;
  EXPECT_EQ(visa_.viReadSTB(vi, &stb), kSuccess);
  EXPECT_EQ(stb, 0x60);
  EXPECT_EQ(visa_.viReadSTB(vi, &stb), kSuccess);
  EXPECT_EQ(stb, 0x20) << "the request was served";
  EXPECT_EQ(visa_.viDiscardEvents(vi, kAllEvents, 0xFFFF), 0x3FFF0004);
  EXPECT_EQ(visa_.viDisableEvent(vi, kAllEvents, 0xFFFF), kSuccess);
  EXPECT_EQ(visa_.viDisableEvent(vi, kServiceRequest, 1), 0x3FFF0003);

  EXPECT_EQ(visa_.viAssertTrigger(vi, 0), kSuccess);
  EXPECT_EQ(visa_.viAssertTrigger(vi, 5), Error(0xBFFF0079));
  EXPECT_EQ(visa_.viGpibControlREN(vi, 5), kSuccess);
  EXPECT_EQ(visa_.viGpibControlREN(vi, 7), Error(0xBFFF0091));
  const nlohmann::json state = dmm.State();
  EXPECT_EQ(state["instrument"]["triggers"], 1);
  EXPECT_EQ(state["transport_state"]["remote"], true);
  EXPECT_EQ(state["transport_state"]["lockout"], true);
}

// A raw socket marks no end: a read ends at the count, at the termination
// character once it is enabled, or at the time-out; the rest waits.
TEST_F(VisaLibrary, ARawSocketReadEndsAtTheCountTheTerminationCharacterOrTheTimeOut) {
  simulator_.Add("raw", {{"transport", "visa"}, {"resource", "TCPIP0::127.0.0.1::5025::SOCKET"}, {"idn", "RAW,1,2,3"}});
  ViSession vi = 0;
  ASSERT_EQ(visa_.viOpen(manager_, "TCPIP0::127.0.0.1::5025::SOCKET", 0, 0, &vi), kSuccess);
  char resourceClass[256] = {};
  EXPECT_EQ(visa_.viGetAttribute(vi, kResourceClass, resourceClass), kSuccess);
  EXPECT_STREQ(resourceClass, "SOCKET");
  EXPECT_EQ(visa_.viSetAttribute(vi, kTimeoutAttribute, 100), kSuccess);
  ASSERT_EQ(Write(vi, "*IDN?\n*OPC?\n"), kSuccess);
  ViStatus status = 0;
  EXPECT_EQ(Read(vi, 4, &status), "RAW,");
  EXPECT_EQ(status, kMaxCount);
  EXPECT_EQ(Read(vi, 100, &status), "1,2,3\n1\n");
  EXPECT_EQ(status, kTimeout);

  EXPECT_EQ(visa_.viSetAttribute(vi, kTermCharEnabled, 1), kSuccess);
  ASSERT_EQ(Write(vi, "*IDN?\n*OPC?\n"), kSuccess);
  EXPECT_EQ(Read(vi, 100, &status), "RAW,1,2,3\n");
  EXPECT_EQ(status, kTermChar);
  EXPECT_EQ(Read(vi, 100, &status), "1\n");
  EXPECT_EQ(visa_.viAssertTrigger(vi, 0), kNotSupported);
  EXPECT_EQ(visa_.viGpibControlREN(vi, 1), kNotSupported);
  EXPECT_EQ(visa_.viEnableEvent(vi, kServiceRequest, 1, 0), Error(0xBFFF0026));
}

// Locks hold between the sessions of the process and nest.
TEST_F(VisaLibrary, AnExclusiveLockKeepsTheOtherSessionsOut) {
  simulator_.Add("lan", {{"transport", "visa"}, {"resource", "TCPIP0::127.0.0.1::INSTR"}});
  ViSession holder = 0, other = 0;
  ASSERT_EQ(visa_.viOpen(manager_, "TCPIP0::127.0.0.1::INSTR", 0, 0, &holder), kSuccess);
  ASSERT_EQ(visa_.viOpen(manager_, "TCPIP0::127.0.0.1::INSTR", 0, 0, &other), kSuccess);
  EXPECT_EQ(visa_.viLock(holder, 1, 0, nullptr, nullptr), kSuccess);
  EXPECT_EQ(visa_.viLock(holder, 1, 0, nullptr, nullptr), 0x3FFF009A);
  EXPECT_EQ(Write(other, "*RST\n"), kLocked);
  EXPECT_EQ(visa_.viLock(other, 1, 0, nullptr, nullptr), kLocked);
  EXPECT_EQ(visa_.viLock(other, 2, 30, nullptr, nullptr), kTimeout);
  EXPECT_EQ(Write(holder, "*RST\n"), kSuccess);
  EXPECT_EQ(visa_.viUnlock(holder), 0x3FFF009A);
  EXPECT_EQ(visa_.viUnlock(holder), kSuccess);
  EXPECT_EQ(visa_.viUnlock(holder), kNotLocked);
  EXPECT_EQ(Write(other, "*RST\n"), kSuccess);
  char key[256] = {};
  EXPECT_EQ(visa_.viLock(other, 2, 0, nullptr, key), kSuccess);
  EXPECT_EQ(visa_.viLock(holder, 2, 0, key, nullptr), kSuccess) << "the same key shares the lock";
  EXPECT_EQ(visa_.viClose(other), kSuccess);
  EXPECT_EQ(visa_.viUnlock(holder), kSuccess);
}

}  // namespace
