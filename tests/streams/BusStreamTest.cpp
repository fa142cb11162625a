// The GPIB, compliant GPIB and VISA transports against instruments on the
// simulated bus, through the simulated vendor libraries: the lock name, the
// bytes of a query and of a write that waits for completion, the answer, a
// silent instrument (the time-out status once the time-out has passed, and
// its text), and a write after disconnecting.
#include <gtest/gtest.h>

#include "streams/LibraryStreamBench.h"
#include "streams/gpib/NIGPIBDeviceStream.h"
#include "streams/visa/VISADeviceStream.h"

namespace {

struct BusCase {
  const char* name;
  const char* type;
  sim::Simulator::Keys keys;
  const char* visaIdentifier;  // for "VISA"
  int gpibAddress;             // for the GPIB types
  const char* idString;
  const char* completedWrite;  // the bytes of Write("*RST", true); empty: the service-request handshake
  Status longAnswerStatus;
  double timeout;
  const char* timeoutText;
};

const BusCase kCases[] = {
    {"Gpib", "GPIB", {{"transport", "gpib"}, {"address", "4"}}, "", 4, "GPIB0:4", "*RST;*OPC?\n", 0, 0.75,
     "The instrument did not answer within the time-out."},
    {"CompliantGpib", "CompliantGPIB", {{"transport", "gpib"}, {"address", "5"}}, "", 5, "GPIB0:5", "", 0, 0.75,
     "The instrument did not answer within the time-out."},
    {"VisaLan", "VISA", {{"transport", "visa"}, {"resource", "TCPIP0::127.0.0.1::INSTR"}},
     "TCPIP0::127.0.0.1::INSTR", 0, "VISA:TCPIP0::127.0.0.1::INSTR", "*RST;*OPC?\n", 0x300002E4, 1.0,
     "Fewer characters were read than requested (time-out)."},
    {"VisaGpib", "VISA", {{"transport", "gpib"}, {"address", "6"}}, "GPIB0::6::INSTR", 0, "VISA:GPIB0::6::INSTR",
     "*RST;*OPC?\n", 0, 0.3, "Fewer characters were read than requested (time-out)."},
};

class BusStream : public testing::TestWithParam<BusCase> {
protected:
  void SetUp() override {
    EnsureWxRuntime();
    const BusCase& c = GetParam();
    sim::Simulator::Keys keys = c.keys;
    keys.emplace_back("idn", kDmmIdn);
    instrument_ = &bench_.Simulator().Add("dmm", keys);
    ASSERT_EQ(client_.Manager().AddStreamConfiguration(c.type), 0u);
    client_.Manager().SetDefaultTypeName(c.type);
    if (auto visa = client_.SelectedConfigurationAs<VISADeviceStreamConfiguration>())
      visa->SetIdentifier(c.visaIdentifier);
    if (auto gpib = client_.SelectedConfigurationAs<NIGPIBDeviceStreamConfiguration>())
      gpib->SetPrimaryAddress(c.gpibAddress);
    SetClientTimeout(client_, c.timeout);
  }

  LegacyTestBench bench_{"busstream"};
  sim::Instrument* instrument_ = nullptr;
  DeviceStreamClientWithStream client_;
  StreamLockCleanup cleanup_{GetParam().idString};
};
}  // namespace

TEST_P(BusStream, ExchangesTimesOutAndRefusesWritesWhenDisconnected) {
  const BusCase& c = GetParam();
  ASSERT_EQ(client_.ConnectStream(0, true), 0u);
  DeviceStreamPtr transport = client_.TransportStream();
  ASSERT_TRUE(transport);
  EXPECT_EQ(transport->GetLockName(), L"Global\\VANTORIX:DS:" + wxString(c.idString).Upper().ToStdWstring());

  instrument_->ResetLog();
  std::string answer;
  ASSERT_EQ(client_.WriteRead(0, "*IDN?", answer, 100, 1), 0u);
  EXPECT_EQ(answer, std::string(kDmmIdn) + "\n");
  EXPECT_EQ(instrument_->ReceivedBytes(), "*IDN?\n");
  instrument_->ResetLog();
  ASSERT_EQ(client_.Write(0, "*RST", true), 0u);
  if (*c.completedWrite) {
    EXPECT_EQ(instrument_->ReceivedBytes(), c.completedWrite);
  } else {
    // The command and "*OPC" in one message; the service request then has "*ESR?" asked.
    const std::vector<std::string> commands = instrument_->ReceivedCommands();
    ASSERT_EQ(commands.size(), 2u);
    EXPECT_TRUE(commands[0].ends_with("*RST;*OPC")) << commands[0];
    EXPECT_EQ(commands[1], "*ESR?");
  }
  // An answer longer than the count ends the read at the count (a LAN resource says so).
  EXPECT_EQ(client_.WriteRead(0, "*IDN?", answer, 4, 1), c.longAnswerStatus);
  EXPECT_EQ(answer, "ACME");
  ASSERT_EQ(client_.ClearDevice(0), 0u);

  instrument_->SetFault(sim::FaultKind::kNoAnswer);
  ASSERT_EQ(client_.Write(0, "*IDN?", false), 0u);
  Status status = 0;
  // A signal every 10 ms neither lengthens nor shortens the wait.
  const double seconds = SecondsUnderSignals(c.timeout, [&] { status = client_.Read(0, answer, 100); });
  EXPECT_EQ(status, streamstatus::kReadTimedOut);
  EXPECT_EQ(answer, "");
  ExpectEndedAtTimeout(seconds, c.timeout);
  EXPECT_EQ(StreamErrorText(client_, status), c.timeoutText);
  instrument_->ClearFaults();
  ASSERT_EQ(client_.WriteRead(0, "*IDN?", answer, 100, 1), 0u) << "the next exchange works again";
  EXPECT_EQ(answer, std::string(kDmmIdn) + "\n");

  ASSERT_EQ(client_.DisconnectStream(0), 0u);
  EXPECT_FALSE(transport->IsConnected());
  EXPECT_EQ(transport->Write(0, "*RST", false), streamstatus::kNotConnected);
}

INSTANTIATE_TEST_SUITE_P(Transports, BusStream, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<BusCase>& info) { return info.param.name; });

TEST(VisaHiSLIP, LanResourcesBecomeHiSLIPAndOthersStayAsTheyAre) {
  // A name far longer than any resource name (from a damaged file) is left for the library to refuse.
  const std::string overlong = "TCPIP0::" + std::string(300000, 'h') + "::INSTR";
  const struct {
    std::string identifier;
    std::string opened;
  } cases[] = {
      {overlong, overlong},
      {"TCPIP0::10.0.0.7::INSTR", "TCPIP0::10.0.0.7::hislip0::INSTR"},
      {"TCPIP::192.168.0.5", "TCPIP::192.168.0.5::hislip0::INSTR"},
      {"tcpip3::meter.lab::instr", "tcpip3::meter.lab::hislip0::instr"},
      {"TCPIP0::10.0.0.7::5025::SOCKET", "TCPIP0::10.0.0.7::5025::SOCKET"},
      {"TCPIP0::10.0.0.7::hislip0::INSTR", "TCPIP0::10.0.0.7::hislip0::INSTR"},
      {"GPIB0::7::INSTR", "GPIB0::7::INSTR"},
      {"ASRL3::INSTR", "ASRL3::INSTR"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(VISADeviceStreamConfiguration::HiSLIPIdentifier(c.identifier), c.opened) << c.identifier.substr(0, 40);
}

// The service-request library that CompliantGPIB needs besides the GPIB
// library: missing, the connection fails with its status and a text that
// names the library and says why.
TEST(CompliantGpibStream, AMissingServiceRequestLibraryGivesItsStatusAndText) {
  LibraryStreamBench gpib("nosrq", "CompliantGPIB", "GPIB0:1");  // the default address
  gpib.bench.AddGpib("dmm", 1);
  ScopedVariable missing("SWMATRIX_GPIBSRQ_LIBRARY", gpib.bench.Path("nowhere/libgpibsrq.so.0"));
  const Status status = gpib.client.ConnectStream(0, true);
  EXPECT_EQ(status, 0x30000246u);
  EXPECT_EQ(gpib.ErrorText(status), "The GPIB service-request library cannot be loaded. (" +
                                        gpib.bench.Path("nowhere/libgpibsrq.so.0") +
                                        ": cannot open shared object file: No such file or directory)");
  EXPECT_FALSE(gpib.client.IsConnected());
}
