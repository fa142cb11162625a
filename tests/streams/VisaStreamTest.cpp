// The VISA transport where VISA sessions differ: raw sockets and serial
// ports, which mark no end of message, answers left unread before a query,
// and what the stream remembers of LAN instruments that refuse HiSLIP.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "streams/LibraryStreamBench.h"
#include "streams/visa/VISADeviceStream.h"
#include "streams/visa/VISAHiSLIPStore.h"

namespace {

struct VisaBench : LibraryStreamBench {
  explicit VisaBench(const std::string& identifier, bool tryHiSLIP = false)
      : LibraryStreamBench("visastream", "VISA", "VISA:" + identifier) {
    Configuration<VISADeviceStreamConfiguration>()->SetIdentifier(identifier);
    Configuration<VISADeviceStreamConfiguration>()->SetTryHiSLIP(tryHiSLIP);
  }
  void SetTerminator(const std::string& terminator, bool receiveEnabled) {
    DeviceStreamSettings settings = client.GetStreamSettings();
    settings.sendTermination = settings.receiveTermination = terminator;
    settings.receiveTerminationEnabled = receiveEnabled;
    client.SetStreamSettings(settings);
  }
  std::shared_ptr<VISADeviceStream> Stream() {
    return std::dynamic_pointer_cast<VISADeviceStream>(client.TransportStream());
  }
};

const sim::Simulator::Keys kSocket{{"transport", "visa"}, {"resource", "TCPIP0::127.0.0.1::5025::SOCKET"},
                                   {"idn", kDmmIdn}};
constexpr const char* kSocketName = "TCPIP0::127.0.0.1::5025::SOCKET";

}  // namespace

// Two answers wait; each read takes the first that is complete: at the
// termination character the stream sets, or at the count, or at the time-out.
TEST(VisaStream, ReadsOfRawSocketsAndSerialPortsEndAtTheReceiveTerminator) {
  const struct {
    const char* name;
    sim::Simulator::Keys keys;
    const char* identifier;
    std::string terminator;
    bool receiveEnabled;
    size_t firstCount;
    Status firstStatus;
    std::string first, second;
    Status secondStatus;
  } cases[] = {
      {"socket, line feed", kSocket, kSocketName, "\n", true, 100, 0, std::string(kDmmIdn) + "\n", "1\n", 0},
      // (A LAN read that stops at the count says the answer may be longer.)
      {"socket, terminator off", kSocket, kSocketName, "\n", false, 5, VisaBase::kResponseTooLarge, "ACME,",
       "DMM100,1234,1.0\n1\n", streamstatus::kReadTimedOut},
      {"serial port, carriage return",
       {{"transport", "pty"}, {"com", "7"}, {"terminator", "cr"}, {"idn", kDmmIdn}},
       "ASRL7::INSTR", "\r", true, 100, 0, std::string(kDmmIdn) + "\r", "1\r", 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    VisaBench visa(c.identifier);
    visa.bench.Simulator().Add("dmm", c.keys);
    visa.SetTerminator(c.terminator, c.receiveEnabled);
    ASSERT_EQ(visa.client.ConnectStream(0, true), 0u);
    ASSERT_EQ(visa.client.Write(0, "*IDN?" + c.terminator + "*OPC?", false), 0u);
    std::string answer;
    EXPECT_EQ(visa.client.Read(0, answer, c.firstCount), c.firstStatus);
    EXPECT_EQ(answer, c.first);
    EXPECT_EQ(visa.client.Read(0, answer, 100), c.secondStatus);
    EXPECT_EQ(answer, c.second);
  }
}

// An answer nobody read (a late one, or one the caller did not want) is
// dropped before the next query, in the instrument's queue as in the library;
// also with a library whose viFlush has no buffers to flush (VI_ERROR_NSUP_OPER).
TEST(VisaStream, AQueryNeverTakesAnAnswerLeftUnread) {
  for (const char* library : {"libvisa.so", "libvisa-minimal.so"}) {
    SCOPED_TRACE(library);
    VisaBench visa(kSocketName);
    ScopedVariable chosen("SWMATRIX_VISA_LIBRARY", SimulatedLibrary(library));
    visa.bench.Simulator().Add("dmm", kSocket);
    ASSERT_EQ(visa.client.ConnectStream(0, true), 0u);
    ASSERT_EQ(visa.client.Write(0, "*IDN?", false), 0u);
    std::string answer;
    ASSERT_EQ(visa.client.WriteRead(0, "*OPC?", answer, 100, 1), 0u);
    EXPECT_EQ(answer, "1\n");

    ASSERT_EQ(visa.client.Write(0, "*IDN?\n*OPC?", false), 0u);
    ASSERT_EQ(visa.client.Read(0, answer, 100), 0u);
    ASSERT_EQ(visa.client.WriteRead(0, "*IDN?", answer, 100, 1), 0u);
    EXPECT_EQ(answer, std::string(kDmmIdn) + "\n");
  }
}

// The memory is the user's own, and holds a refusal only when the plain
// resource then opened: an instrument that was off is tried over HiSLIP again.
TEST(VisaHiSLIP, OnlyARefusalFollowedByAPlainOpeningIsRemembered) {
  const std::string plain = "TCPIP0::127.0.0.1::INSTR";
  VisaBench visa(plain, true);
  ScopedVariable cache("XDG_CACHE_HOME", visa.bench.Path("cache"));

  EXPECT_EQ(visa.client.ConnectStream(0, true), 0xBFFF0011u) << "nothing there";
  EXPECT_TRUE(VISAHiSLIPStore::MayTry(plain));

  visa.bench.Simulator().Add("plain", {{"transport", "visa"}, {"resource", plain}});
  ASSERT_EQ(visa.client.ConnectStream(0, true), 0u);
  EXPECT_EQ(visa.Stream()->OpenResource(), plain);
  EXPECT_FALSE(VISAHiSLIPStore::MayTry(plain));
  EXPECT_EQ(VISAHiSLIPStore::Path(), visa.bench.Path("cache/swmatrix/VTX_HISLIP.INI"));
  struct stat folder {};
  ASSERT_EQ(stat(visa.bench.Path("cache/swmatrix").c_str(), &folder), 0);
  EXPECT_EQ(folder.st_mode & 0777, 0700u);

  // Remembered: a HiSLIP server that appears later is not tried.
  visa.bench.Simulator().Add("hislip", {{"transport", "visa"}, {"resource", "TCPIP0::127.0.0.1::hislip0::INSTR"}});
  visa.client.DisconnectStream(0);
  ASSERT_EQ(visa.client.ConnectStream(0, true), 0u);
  EXPECT_EQ(visa.Stream()->OpenResource(), plain);

  const std::string other = "TCPIP0::127.0.0.2::INSTR";
  VisaBench second(other, true);
  second.bench.Simulator().Add("hislip", {{"transport", "visa"}, {"resource", "TCPIP0::127.0.0.2::hislip0::INSTR"}});
  ASSERT_EQ(second.client.ConnectStream(0, true), 0u);
  EXPECT_EQ(second.Stream()->OpenResource(), "TCPIP0::127.0.0.2::hislip0::INSTR");
  EXPECT_TRUE(VISAHiSLIPStore::MayTry(other));

  // Which failures of the HiSLIP form are refusals.
  const std::pair<uint32_t, bool> statuses[] = {
      {0xBFFF0011u, true},   // resource not found: the connection was refused
      {0xBFFF0012u, true},   // the library knows no HiSLIP resource names
      {0xBFFF0015u, false},  // time-out
      {0xBFFF0072u, false},  // resource busy
      {0xBFFF000Fu, false},  // locked by another session
      {0xBFFF003Cu, false},  // no more sessions (allocation)
      {0xBFFF00A6u, false},  // connection lost
  };
  for (const auto& [status, refusal] : statuses) EXPECT_EQ(VISAHiSLIPStore::IsRefusal(status), refusal) << std::hex << status;
}
