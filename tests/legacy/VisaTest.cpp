// The VISA access against simulated instruments on the bus, through the
// simulated VISA library: opening resources, exchanges, time-outs, the
// texts of VISA statuses, a library that is missing or incomplete, and the
// resource names of the configuration.
#include "legacy/Visa.h"

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <climits>
#include <nlohmann/json.hpp>

#include "LegacyTestBench.h"
#include "LogCollector.h"
#include "legacy/VisaResourceName.h"

namespace {

class VisaTest : public ::testing::Test {
protected:
  LegacyTestBench bench_{"visa"};
  sim::Instrument& scope_ = bench_.Simulator().Add(
      "scope", {{"transport", "visa"}, {"resource", "TCPIP0::10.0.0.7::INSTR"}, {"idn", "ACME,SCOPE4,5,1.1"}});
};

}  // namespace

TEST_F(VisaTest, OpensAResourceAndExchanges) {
  Visa visa("TCPIP0::10.0.0.7::INSTR");
  ASSERT_EQ(visa.Open(), 0u);
  EXPECT_TRUE(visa.IsOpen());
  std::string identification;
  EXPECT_EQ(visa.GetIdentificationString(&identification), 0u);
  EXPECT_EQ(identification, "ACME,SCOPE4,5,1.1");
  EXPECT_EQ(scope_.ReceivedCommands(), std::vector<std::string>{"*IDN?"});
  EXPECT_EQ(visa.WriteText("*OPC?\n"), 0u);
  std::string answer;
  EXPECT_EQ(visa.ReadText(&answer, 2), 0u) << "exactly the count";
  EXPECT_EQ(answer, "1\n");
  EXPECT_EQ(visa.ClearDevice(), 0u);
  EXPECT_EQ(scope_.State()["transport_state"]["device_clears"], 1);
  EXPECT_EQ(visa.Close(), 0u);
  EXPECT_EQ(visa.WriteText("*RST\n"), 0x3000012Cu);
}

TEST_F(VisaTest, TimeOutsAndOverlongAnswers) {
  Visa visa("TCPIP0::10.0.0.7::INSTR");
  ASSERT_EQ(visa.Open(200), 0u);
  scope_.SetFault(sim::FaultKind::kNoAnswer);
  ASSERT_EQ(visa.WriteText("*IDN?\n"), 0u);
  std::string answer;
  EXPECT_EQ(visa.ReadText(&answer, 100), 0x3000012Eu);
  EXPECT_EQ(visa.LastStatus(), 0xBFFF0015u);
  EXPECT_EQ(ErrorText(visa, visa.LastStatus()), "Timeout expired before operation completed.");
  scope_.ClearFaults();

  scope_.SetFault(sim::FaultKind::kTooLong, 400);
  ASSERT_EQ(visa.WriteText("*IDN?\n"), 0u);
  EXPECT_EQ(visa.ReadText(&answer, 100), 0x300002E4u) << "a LAN answer larger than the buffer";
  EXPECT_EQ(answer.size(), 100u);
  EXPECT_EQ(ErrorText(visa, 0x300002E4u), "The response of a TCPIP controlled device is larger than expected.");
  // A read of exactly the bytes expected (a binary block) is whole at its count.
  ASSERT_EQ(visa.WriteText("*IDN?\n"), 0u);
  EXPECT_EQ(visa.ReadText(&answer, 100, true), 0u);
  EXPECT_EQ(answer.size(), 100u);
}

TEST_F(VisaTest, StatusTextsComeFromTheTableOrTheLibrary) {
  Visa visa("TCPIP0::10.9.9.9::INSTR");
  const Status status = visa.Open();
  EXPECT_EQ(status, 0xBFFF0011u);
  EXPECT_FALSE(visa.IsOpen());
  EXPECT_EQ(ErrorText(visa, status),
            "Insufficient location information or the device or resource is not present in the system.");
  const struct {
    uint32_t status;
    const char* text;
  } fixed[] = {{0xBFFF0015u, "Timeout expired before operation completed."},
               {0xBFFF0037u, "Device reported an input protocol error during transfer."},
               {0xBFFF003Du, "Invalid buffer mask specified."},
               {0xBFFF001Du, "Not supported attribute."},
               {0xBFFF00A7u, "Machine not available"}};
  for (const auto& c : fixed) EXPECT_EQ(ErrorText(visa, c.status), c.text) << std::hex << c.status;
  // Others are the library's own descriptions.
  EXPECT_EQ(ErrorText(visa, 0xBFFF000Eu), "The given session or object reference is invalid.");
  EXPECT_EQ(ErrorText(visa, 0x300002E5u), "Could not find VISA32.DLL. Is VISA installed?");
  EXPECT_EQ(ErrorText(visa, 0x30000208u), "") << "not a VISA status";
}

TEST_F(VisaTest, ALibraryThatIsMissingOrIncompleteIsReported) {
  LogCollector log;
  setenv("SWMATRIX_VISA_LIBRARY", bench_.Path("libnone.so").c_str(), 1);
  Visa missing("TCPIP0::10.0.0.7::INSTR");
  EXPECT_EQ(missing.Open(), 0x300002E5u);
  std::vector<std::string> records = log.UntilMarker();
  EXPECT_EQ(LogCollector::Containing(records, {"VISA32.DLL could not be loaded"}).size(), 1u);

  setenv("SWMATRIX_VISA_LIBRARY", SimulatedLibrary("libgpib.so.0").c_str(), 1);
  Visa incomplete("TCPIP0::10.0.0.7::INSTR");
  EXPECT_EQ(incomplete.Open(), 0x300002E5u);
  // Sixteen names are missing and logged, then the failure: the first ten records show the order.
  records = log.First(10);
  ASSERT_EQ(records.size(), 10u);
  EXPECT_EQ(LogCollector::Description(records[0]), "viOpenDefaultRM could not be found in VISA32.DLL");
  EXPECT_EQ(LogCollector::Description(records[1]), "viOpen could not be found in VISA32.DLL");
  EXPECT_EQ(LogCollector::Description(records[9]), "viStatusDesc could not be found in VISA32.DLL");
  EXPECT_FALSE(incomplete.Library().IsLoaded());
  EXPECT_TRUE(incomplete.Library().LoadFailure().starts_with(SimulatedLibrary("libgpib.so.0") + ": viOpenDefaultRM, "))
      << incomplete.Library().LoadFailure();

  // A library without the calls the VISA access never makes serves; their absence is noted.
  setenv("SWMATRIX_VISA_LIBRARY", SimulatedLibrary("libvisa-minimal.so").c_str(), 1);
  log.UntilMarker();
  Visa minimal("TCPIP0::10.0.0.7::INSTR");
  ASSERT_EQ(minimal.Open(), 0u);
  std::string identification;
  EXPECT_EQ(minimal.GetIdentificationString(&identification), 0u);
  EXPECT_EQ(identification, "ACME,SCOPE4,5,1.1");
  EXPECT_EQ(minimal.DiscardInput(), 0u) << "viFlush's VI_ERROR_NSUP_OPER: nothing to flush";
  records = log.UntilMarker();
  EXPECT_EQ(LogCollector::Containing(records, {"could not be found in VISA32.DLL (not needed)"}).size(), 6u);
  EXPECT_EQ(LogCollector::Containing(records, {"viLock could not be found"}).size(), 1u);

  // Without the variable: the runtime name first, then the development name, then other VISA libraries.
  unsetenv("SWMATRIX_VISA_LIBRARY");
  // (A library of that name loaded earlier in this process serves too: ctest runs each test alone.)
  for (const char* name : {"libvisa.so.0", "libvisa.so"}) {
    if (void* found = dlopen(name, RTLD_LAZY)) {
      dlclose(found);
      GTEST_SKIP() << name << " is installed, or was loaded before in this process";
    }
  }
  Visa searching("TCPIP0::10.0.0.7::INSTR");
  EXPECT_EQ(searching.Open(), 0x300002E5u);
  const std::string& tried = searching.Library().LoadFailure();
  EXPECT_TRUE(tried.starts_with("libvisa.so.0: cannot open shared object file")) << tried;
  const size_t development = tried.find("; libvisa.so: cannot open shared object file");
  EXPECT_NE(development, std::string::npos) << tried;
  EXPECT_NE(tried.find("; librsvisa.so: ", development), std::string::npos) << tried;
}

// (Building names: VisaPanel.TheChosenFormBuildsTheIdentifier and
// RS232Test.TheVisaImplementationFallsBackFromTheAliasToASRL.)
TEST(VisaResourceName, RecognisesNames) {
  struct Case {
    std::string resource;
    VisaResourceName::Kind kind;
    long number;
    const char* address;
  };
  using Kind = VisaResourceName::Kind;
  const Case cases[] = {
      {"ASRL12::INSTR", Kind::Serial, 12, ""},
      {"GPIB0::7::INSTR", Kind::Gpib, 7, ""},
      {"GPIB1::7::INSTR", Kind::Other, 0, ""},
      {"TCPIP0::192.168.0.5::INSTR", Kind::Tcpip, 0, "192.168.0.5"},
      {"TCPIP::192.168.0.5::INSTR", Kind::Tcpip, 0, "192.168.0.5"},
      {"TCPIP0::scope.lab::INSTR", Kind::Other, 0, ""},
      {"TCPIP0::192.168.0.5::5025::SOCKET", Kind::Other, 0, ""},
      {"MyScope", Kind::Other, 0, ""},
      {"ASRL99999999999999999999::INSTR", Kind::Serial, LONG_MAX, ""},
      // Far longer than any resource name (a damaged file): no kind.
      {"ASRL" + std::string(300000, '1') + "::INSTR", Kind::Other, 0, ""},
  };
  for (const Case& c : cases) {
    const VisaResourceName::Parsed parsed = VisaResourceName::Classify(c.resource);
    const std::string shown = c.resource.substr(0, 40);
    EXPECT_EQ(parsed.kind, c.kind) << shown;
    EXPECT_EQ(parsed.number, c.number) << shown;
    EXPECT_EQ(parsed.address, c.address) << shown;
  }
  using Session = VisaResourceName::Session;
  EXPECT_EQ(VisaResourceName::SessionOf("GPIB0::7::INSTR"), Session::Instrument);
  EXPECT_EQ(VisaResourceName::SessionOf("TCPIP0::10.0.0.7::5025::SOCKET"), Session::Socket);
  EXPECT_EQ(VisaResourceName::SessionOf("TCPIP0::10.0.0.7::hislip0"), Session::HiSlip);
  EXPECT_EQ(VisaResourceName::SessionOf("MyScope"), Session::Unknown);
  EXPECT_TRUE(VisaResourceName::IsTcpip("tcpip0::10.0.0.7::5025::SOCKET"));
  EXPECT_FALSE(VisaResourceName::IsTcpip("GPIB0::7::INSTR"));
}
