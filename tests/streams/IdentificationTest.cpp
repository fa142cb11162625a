// Identification checking: the answer test, the error text, and the
// identification run against a simulated instrument.
#include <gtest/gtest.h>

#include "support/TestFiles.h"
#include "streams/IdentificationAnswer.h"
#include "streams/SimulatedInstrument.h"
#include "streams/TestConfiguration.h"

namespace {
constexpr const char* kIdn = "Rohrbach Messtechnik,RM-4711,SN0815,2.10";

TEST(Identification, TheAnswerContainsTheTextOrMatchesTheExpression) {
  ASSERT_TRUE(EnsureWxRuntime());
  struct Case {
    std::string expected;
    std::string answer;
    bool matches;
  };
  const Case cases[] = {
      {"RM-4711", kIdn, true},
      {"rm-4711", kIdn, true},                  // other letter case
      {"", kIdn, true},                         // nothing expected
      {"", "", true},
      {"Rohrbach.*4711", kIdn, true},           // an expression
      {"rohrbach.*RM-[0-9]+,", kIdn, true},     // an expression, case ignored
      {"^Rohrbach", kIdn, true},
      {"4711$", kIdn, false},
      {"RM-4712", kIdn, false},
      {"Rohrbach.*4712", kIdn, false},
      {"RM-4711", "", false},
      {"(unbalanced", "(unbalanced", true},     // found as text first
      {"(unbalanced", "other", false},          // no valid expression: no match
      {"SN08[0-9]{2}", kIdn, true},
      {"\xb0", "H\xdd\xb0", true},           // bytes that are no UTF-8 compare as bytes
      {"M\xc3\xa4", "xM\xc3\x84x", true},      // UTF-8 letters compare without case
  };
  for (const Case& c : cases)
    EXPECT_EQ(IdentificationAnswerMatches(c.expected, c.answer), c.matches) << c.expected << " in " << c.answer;
}

// A driver whose offered GPIB configuration has a device-clear registration.
class RegisteringClient : public DeviceStreamClientWithStream {
public:
  RegisteringClient() {
    gpib->hasClearRegistration = true;
    gpib->clearRegistration = true;
    Manager().AddStreamConfiguration("GPIB", gpib);
  }
  Status AfterIdentificationCheck(uint32_t) override {
    registrationDuringCheck = gpib->clearRegistration;
    connectedDuringCheck = IsConnected();
    return afterStatus;
  }
  std::shared_ptr<TestConfiguration> gpib = std::make_shared<TestConfiguration>("GPIB");
  bool registrationDuringCheck = true;
  bool connectedDuringCheck = false;
  Status afterStatus = 0;
};

TEST(Identification, TheRunChecksTheInstrumentNamesAMismatchAndLeavesEverythingAsItWas) {
  sim::Simulator simulator;
  sim::Instrument& dmm = simulator.Add("dmm", {{"transport", "tcp"}, {"idn", kIdn}});
  StreamLockCleanup cleanup("ETHER:127.0.0.1:" + std::to_string(dmm.Endpoint().port));
  ASSERT_TRUE(EnsureWxRuntime());
  RegisteringClient client;
  client.Manager().AddStreamConfiguration("TCPIP");
  client.Manager().SetSelectedTypeName("TCPIP");
  client.SelectedConfigurationAs<NetworkBasedDeviceStreamConfig>()->SetAddress(
      "127.0.0.1:" + std::to_string(dmm.Endpoint().port));

  client.SetExpectedResponse("rohrbach.*RM-4711");
  EXPECT_EQ(client.RunIdentificationCheck(0), 0u);
  EXPECT_FALSE(client.registrationDuringCheck);
  EXPECT_TRUE(client.connectedDuringCheck);
  EXPECT_TRUE(client.gpib->clearRegistration);
  EXPECT_FALSE(client.IsConnected());
  EXPECT_EQ(dmm.ReceivedCommands(), (std::vector<std::string>{"*IDN?"}));

  client.SetExpectedResponse("RM-4712");
  client.connectedDuringCheck = false;
  EXPECT_EQ(client.RunIdentificationCheck(0), 0x30000096u);
  EXPECT_FALSE(client.connectedDuringCheck);  // the hook follows only a match
  EXPECT_TRUE(client.gpib->clearRegistration);
  EXPECT_FALSE(client.IsConnected());
  // The answer's terminator is not part of the identification. A mismatch may have a code of its own.
  const std::string mismatch = "The received identification of the device (\"Rohrbach Messtechnik,RM-4711,SN0815,"
                               "2.10\") is not matching with the expected identification (\"RM-4712\").";
  EXPECT_EQ(StreamErrorText(client, 0x30000096), mismatch);
  client.SetMismatchCode(0x30003A98);
  EXPECT_EQ(client.RunIdentificationCheck(0), 0x30003A98u);
  EXPECT_EQ(client.GetReceivedIdentification(), kIdn);
  EXPECT_EQ(StreamErrorText(client, 0x30003A98), mismatch);

  // Without a query there is no exchange: the connection alone counts.
  client.SetIdentificationQuery("");
  EXPECT_EQ(client.RunIdentificationCheck(0), 0u);
  EXPECT_EQ(dmm.ReceivedCommands().size(), 3u);

  // An instrument that cannot be reached: its status, and everything restored.
  client.SetIdentificationQuery("*IDN?");
  client.SetExpectedResponse("");
  SetClientTimeout(client, 0.2);
  dmm.SetFault(sim::FaultKind::kRefuse);
  client.gpib->clearRegistration = false;
  EXPECT_EQ(client.RunIdentificationCheck(0), networkstatus::kNotConnected);
  EXPECT_FALSE(client.gpib->clearRegistration);
  EXPECT_FALSE(client.IsConnected());
  dmm.ClearFaults();

  // A silent instrument answers nothing: no check passes, whatever is expected ("" accepts any answer that came).
  dmm.SetFault(sim::FaultKind::kNoAnswer);
  for (const char* expected : {"", "RM-4711"}) {
    client.SetExpectedResponse(expected);
    EXPECT_EQ(client.RunIdentificationCheck(0), 0x30000097u) << expected;
    std::string text;
    client.GetErrorString(0, 0x30000097, text);
    EXPECT_EQ(text, "Nothing answered the identification query (\"*IDN?\") within the time-out: the device is "
                    "silent, switched off or not connected.");
  }
}

TEST(Identification, TheExpectedResponseIsSavedInItsTable) {
  ASSERT_TRUE(EnsureWxRuntime());
  TestDirectory directory;
  const std::string file = directory.File("driver.ini");
  WriteFile(file, "[Identification]\nExpectedResponse=RM-47.*\n[SCPI]\nCheckSystemError=1\n");
  StreamTestDriver driver;
  driver.client.Manager().AddStreamConfiguration("TCPIP");
  driver.client.Manager().SetDefaultTypeName("TCPIP");
  ASSERT_EQ(driver.LoadConfiguration(0, file.c_str()), 0u);
  EXPECT_EQ(driver.client.GetExpectedResponse(), "RM-47.*");
  EXPECT_EQ(driver.client.GetCustomisedResponse(), "RM-47.*");
  EXPECT_TRUE(driver.client.GetCheckSystemError());

  driver.client.SetExpectedResponse("ACME");
  driver.client.SetCheckSystemError(false);
  driver.client.SelectedConfigurationAs<NetworkBasedDeviceStreamConfig>()->SetAddress("10.0.0.7:5025");
  const std::string saved = directory.File("saved.ini");
  ASSERT_EQ(driver.SaveConfiguration(0, saved.c_str()), 0u);
  EXPECT_EQ(ReadFile(saved),
            "[SCPI]\nCheckSystemError=0\n\n[Identification]\nExpectedResponse=ACME\n\n"
            "[Stream Config]\nSelected=TCPIP\nDefaultStreamConfigurationLoaded=0\n\n"
            "[Stream Config.Ethernet]\nAddress=10.0.0.7:5025\n");
}
}  // namespace
