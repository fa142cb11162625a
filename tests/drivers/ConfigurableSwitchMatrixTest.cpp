// The configurable switch matrix without a device: the placeholder list each
// event builds, the field of the 50-ohm cell, the tolerance comparison, the
// settings tables and the texts of the regular-expression codes.
#include "drivers/configurable/ConfigurableSwitchMatrix.h"

#include <gtest/gtest.h>


#include <cmath>
#include <memory>
#include <fstream>

#include "drivers/wattex/WattexSwitch.h"
#include "interface/DeviceTypeRegistry.h"
#include "streams/ScriptedStream.h"
#include "support/DriverErrorText.h"
#include "support/TestFiles.h"

namespace {
std::string Substituted(const ConfigurableSwitchMatrix& matrix, const std::string& command,
                        const PlaceholderList& entries = {}) {
  return SubstitutePlaceholders(command, matrix.BuildPlaceholderList(entries));
}
}  // namespace

TEST(ConfigurableSwitchMatrix, PlaceholderGroupsAppearOnlyOnceTheirNumberIsKnown) {
  ConfigurableSwitchMatrix matrix;
  EXPECT_EQ(Substituted(matrix, "F __freqMHz__ E __calc_electrical_field__ H __height__ A __angle__ C __carrier__"),
            "F __freqMHz__ E 0 H __height__ A __angle__ C __carrier__");

  matrix.frequency = 80.0;
  matrix.carrier = 0.0;
  matrix.forward = 10.0;
  matrix.reflected = -3.0;
  matrix.height = 1.25;
  matrix.angle = 90.0;
  struct Case {
    const char* command;
    const char* sent;
  } cases[] = {
      {"__freq__|__freqHz__|__freqkHz__|__freqMHz__|__freqGHz__", "80|80000000|80000|80|0.08"},
      {"__carrier__|__carrierdBm__|__carriermW__|__carrierW__", "0|0|1|0.001"},
      {"__forward__|__forwarddBm__|__forwardmW__|__forwardW__", "10|10|10|0.01"},
      {"__reflected__|__reflectedmW__", "-3|0.5011872"},
      {"__height__|__heightm__|__heightcm__", "1.25|1.25|125"},
      {"__angle__|__degree__|__radian__", "90|90|1.570797"},
  };
  for (const Case& c : cases) EXPECT_EQ(Substituted(matrix, c.command), c.sent) << c.command;

  // Event entries come first, so they win over a same-named entry of the list.
  PlaceholderList result;
  ConfigurableSwitchMatrix::AddPowerGroup(result, "result", 20.0);
  EXPECT_EQ(Substituted(matrix, "__result__ __resultdBm__ __resultmW__ __resultW__", result), "20 20 100 0.1");
  EXPECT_EQ(Substituted(matrix, "__freq__", {{"__freq__", 1.0, 1.0}}), "1");
  // The angle is kept as a single-precision number.
  matrix.angle = 0.1;
  EXPECT_EQ(Substituted(matrix, "__angle__"), "0.1");
  EXPECT_EQ(Substituted(matrix, "__radian__"), "0.0017453");
}

TEST(ConfigurableSwitchMatrix, ComputesTheFieldFromTheForwardPowerElseTheCarrier) {
  ConfigurableSwitchMatrix matrix;
  matrix.carrier = 0.0;  // 1 mW
  matrix.ComputeField();
  EXPECT_NEAR(matrix.calculatedField, std::sqrt(0.001 * 50) / 0.284, 1e-12);
  matrix.forward = 10.0;
  matrix.ComputeField();
  EXPECT_NEAR(matrix.calculatedField, 2.48981260978, 1e-9);
  EXPECT_EQ(Substituted(matrix, "E=__calc_electrical_field__"), "E=2489.8126098");
  matrix.septumHeightMetre = 0.5;
  matrix.ComputeField();
  EXPECT_EQ(Substituted(matrix, "__calc_electrical_field__"), "1414.2135624");
}

TEST(ConfigurableSwitchMatrix, ComparesWithARelativeToleranceAndPlainNearZero) {
  struct Case {
    double a, b;
    bool differs;
  } cases[] = {{1.0, 1.0, false},         {1.0, 1.0 + 1e-9, false}, {1.0, 1.0 + 1e-7, true},
               {-1234.0, -1234.0, false}, {0.0, 1e-9, false},       {0.0, 2e-8, true},
               {1e-9, 0.0, false},        {1e-12, 2e-12, true},     {-5.0, 5.0, true}};
  for (const Case& c : cases) EXPECT_EQ(ConfigurableSwitchMatrix::Differs(c.a, c.b), c.differs) << c.a << " " << c.b;
  EXPECT_FALSE(ConfigurableSwitchMatrix::Known(ConfigurableSwitchMatrix::kUnset));
  EXPECT_TRUE(ConfigurableSwitchMatrix::Known(0.0));
}

TEST(ConfigurableSwitchMatrix, AnswersTheRegularExpressionCodesAndFallsBackToTheStreamTexts) {
  WattexSwitch matrix;
  EXPECT_EQ(DriverErrorText(matrix, 0x30002262),
            "Timeout while waiting on a response that matches with the regular expression.");
  EXPECT_EQ(DriverErrorText(matrix, 0x30000066), "No match was found in the specified regular expression.");
  EXPECT_EQ(DriverErrorText(matrix, 0x30001F41), "The device is not connected: " + matrix.GetSelectedStreamID() +
                                               " is not open (initialise the device first; its initialisation "
                                               "may have failed).");
  EXPECT_EQ(DriverErrorText(matrix, 0x300000D7).rfind("The used Vantorix version is too old.", 0), 0u);
  EXPECT_EQ(DriverErrorText(matrix, 0x3000FFFF), "");
}

TEST(ConfigurableSwitchMatrix, TheRegistryCreatesTheWattexSwitchForItsKey) {
  auto driver = CreateDeviceDriver("KOVALEXWTXSWITCH");
  ASSERT_NE(driver, nullptr);
  auto* wattex = dynamic_cast<WattexSwitch*>(driver.get());
  ASSERT_NE(wattex, nullptr);
  EXPECT_EQ(wattex->TableName(), "ConfigurableDeviceDriverBase");
  EXPECT_EQ(wattex->Manager().GetDefaultTypeName(), "TCPIP");
  EXPECT_NE(wattex->Manager().GetConfiguration("TCPIP"), nullptr);
  EXPECT_NE(wattex->Manager().GetConfiguration("RS-232"), nullptr);
  EXPECT_EQ(FindDeviceType("kovalexWtxSwitch")->className, std::string("WattexSwitch"));
}

TEST(ConfigurableSwitchMatrix, SavingAShorterListCutsTheLongerOneStoredBefore) {
  TestDirectory dir;
  const std::string path = dir.File("lists.ini");
  std::ofstream(path) << "[SwitchMatrix]\nDuringTest=a\nDuringTest2=b\nDuringTest3=c\nAfterTest=x\n"
                      << "[SwitchMatrix.ConfigurableDeviceDriverBase]\nGetID=ID?\nReturnedID=X.*Y\n";
  ConfigurableSwitchMatrix matrix;
  ASSERT_EQ(matrix.LoadConfiguration(0, path.c_str()), 0u);
  EXPECT_EQ(matrix.duringTest, (std::vector<std::string>{"a", "b", "c"}));
  EXPECT_EQ(matrix.afterTest, std::vector<std::string>{"x"});
  // The identification query and answer are handed to the identification check.
  EXPECT_EQ(matrix.GetIdentificationQuery(), "ID?");
  EXPECT_EQ(matrix.GetExpectedResponse(), "X.*Y");
  EXPECT_EQ(matrix.CheckIdentificationAnswer("X-1-Y\r"), 0u);
  EXPECT_EQ(matrix.CheckIdentificationAnswer("Z"), 0x30000096u);

  matrix.duringTest = {"z"};
  matrix.afterTest.clear();
  ASSERT_EQ(matrix.SaveConfiguration(0, path.c_str()), 0u);
  const std::string text = ReadFile(path);
  for (const char* line : {"DuringTest=z\n", "DuringTest2=\n", "DuringTest3=\n", "AfterTest=\n"})
    EXPECT_NE(text.find(line), std::string::npos) << line << " missing in\n" << text;

  ConfigurableSwitchMatrix reloaded;
  ASSERT_EQ(reloaded.LoadConfiguration(0, path.c_str()), 0u);
  EXPECT_EQ(reloaded.duringTest, std::vector<std::string>{"z"});
  EXPECT_TRUE(reloaded.afterTest.empty());
  std::remove(path.c_str());
}

TEST(ConfigurableSwitchMatrix, RunsAListUnderOneLockReadingAReplyAfterEachCommandWhenAsked) {
  struct Case {
    bool readBack;
    std::vector<std::string> list;
    std::deque<Status> writeStatuses;
    Status status;
    std::vector<std::string> calls;
  } cases[] = {
      {false, {"Q1", "Q2\\r"}, {}, 0, {"Lock", "Write:Q1", "Write:Q2\r", "Unlock"}},
      {true, {"Q1", "Q2"}, {}, 0, {"Lock", "Write:Q1", "Read", "Write:Q2", "Read", "Unlock"}},
      {true, {"Q1", "", "Q3"}, {}, 0, {"Lock", "Write:Q1", "Read", "Unlock"}},
      {false, {"Q1", "Q2"}, {0x300002D4}, 0x300002D4, {"Lock", "Write:Q1", "Unlock"}},
      {false, {}, {}, 0, {}},  // an empty list opens nothing
  };
  for (const Case& c : cases) {
    ConfigurableSwitchMatrix matrix;
    auto stream = std::make_shared<ScriptedStream>();
    matrix.SetEmbeddedStream(std::make_shared<DeviceStreamBaseDecorator>(stream));
    matrix.Connect(0, nullptr, matrix.User());
    stream->calls.clear();
    stream->replies = {{0, "A1\n"}, {0x3000012E, ""}};
    stream->writeStatuses = c.writeStatuses;
    matrix.performReadAfterWrite = c.readBack;
    matrix.afterTest = c.list;
    const uint32_t event = 2;
    EXPECT_EQ(matrix.HandleEvent(0, &event, nullptr), c.status);
    EXPECT_EQ(stream->calls, c.calls);
    EXPECT_EQ(stream->locked, 0) << "every lock is given back";
  }
}
