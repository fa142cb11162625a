// The trigger and result settings on a scripted stream (what is sent, what
// is extracted, every failure status), their table in an INI file, the text
// of the pattern tester and the RAW option.
#include "drivers/configurable/ConfigurableTriggerAndResult.h"

#include <gtest/gtest.h>

#include <fstream>
#include <memory>

#include "drivers/configurable/ConfigurableDeviceDriver.h"
#include "drivers/configurable/RAWControl.h"
#include "drivers/configurable/RegExpTestDialog.h"
#include "drivers/configurable/RegularExpressionResult.h"
#include "streams/ScriptedStream.h"
#include "support/TestFiles.h"

TEST(ConfigurableTriggerAndResult, ExtractsTheFirstGroupOrTheWholeMatch) {
  struct Case {
    const char* pattern;
    const char* answer;
    Status status;
    const char* result;
  } cases[] = {
      {"VAL=([-+0-9.E]+)", "VAL=+1.5E+00\n", 0, "+1.5E+00"},
      {"[0-9]+", "level 42 dB", 0, "42"},
      {"level ([0-9]+)", "LEVEL 7", 0, "7"},  // letter case ignored
      {"(a)|b", "b", ERR_REGEX_OPTIONAL_NO_SELECTION, ""},
      {"x([0-9])", "no digits", ERR_REGEX_RESULT_NOT_FOUND, ""},
      {"([0-9]", "1", ERR_REGEX_INVALID_EXPRESSION, ""},
      {"", "1", ERR_REGEX_INVALID_EXPRESSION, ""},
  };
  for (const Case& c : cases) {
    std::string result = "stale";
    EXPECT_EQ(ExtractRegularExpressionResult(c.pattern, c.answer, result), c.status) << c.pattern;
    EXPECT_EQ(result, c.result) << c.pattern;
  }
  EXPECT_EQ(RegExpTestDialog::ResultText("V=([0-9]+)", "V=12"), "12");
  EXPECT_EQ(RegExpTestDialog::ResultText("([", "x"),
            "The regular expression used is invalid. Please fill in the correct expression.");
  EXPECT_EQ(RegExpTestDialog::ResultText("Q", "x"),
            "The regular expression result can not be found. Please fill in the correct expression for the returned "
            "value.");
}

TEST(ConfigurableTriggerAndResult, SendsTheTriggerAndReadsUntilTheResultArrives) {
  struct Case {
    std::string trigger;
    std::string format;
    std::deque<ScriptedStream::Reply> replies;
    Status status;
    std::string result;
    std::vector<std::string> writes;
  } cases[] = {
      {"MEAS?\\n", "RESULT ([0-9.]+)", {{0, "BUSY\n"}, {0, "RESULT 3.25\n"}}, 0, "3.25", {"Write:MEAS?\n"}},
      {"", "([0-9]+) V", {{0, "12 V\n"}}, 0, "12", {}},
      {"MEAS?", "([", {{0, "1\n"}}, ERR_REGEX_INVALID_EXPRESSION, "", {}},
      {"MEAS?", "NEVER", {{0, "x"}}, ERR_REGEX_TIMEOUT, "", {"Write:MEAS?"}},
  };
  for (const Case& c : cases) {
    ConfigurableDeviceDriver driver;
    auto stream = std::make_shared<ScriptedStream>();
    driver.SetEmbeddedStream(std::make_shared<DeviceStreamBaseDecorator>(stream));
    stream->replies = c.replies;
    ConfigurableTriggerAndResult trigger;
    trigger.trigger = c.trigger;
    trigger.resultFormat = c.format;
    trigger.timeoutMS = 30;
    std::string result = "stale";
    EXPECT_EQ(trigger.TriggerAndExtract(driver, result), c.status) << c.format;
    EXPECT_EQ(result, c.result) << c.format;
    std::vector<std::string> writes;
    for (const std::string& call : stream->calls)
      if (call.rfind("Write:", 0) == 0) writes.push_back(call);
    EXPECT_EQ(writes, c.writes) << c.format;
    EXPECT_EQ(driver.GetTimeout(0), 10.0) << "the stream's own time-out is restored";
  }
}

TEST(ConfigurableTriggerAndResult, KeepsItsSettingsAndTheRawOptionInTheirTables) {
  TestDirectory dir;
  const std::string path = dir.File("trigger.ini");
  std::ofstream(path) << "[Meter.TriggerAndResult]\nTrigger=READ?\nResultFormat=([0-9]+)\nTimeoutMS=500\n"
                      << "[Meter.RAWControl]\nUseRAW=1\n";
  SettingsStore store = CreateINIProgramSettingsDatabase(path);
  store->Open();
  store->PushTable("Meter");
  ConfigurableTriggerAndResult trigger;
  RAWControl raw;
  ASSERT_EQ(trigger.LoadProgramSettings(0, store), 0u);
  ASSERT_EQ(raw.LoadProgramSettings(0, store), 0u);
  EXPECT_EQ(trigger.trigger, "READ?");
  EXPECT_EQ(trigger.resultFormat, "([0-9]+)");
  EXPECT_EQ(trigger.timeoutMS, 500.0);
  EXPECT_TRUE(raw.UseRAW);

  trigger.SetTableName("Other");
  trigger.timeoutMS = 2000.0;
  raw.UseRAW = false;
  ASSERT_EQ(trigger.SaveProgramSettings(0, store), 0u);
  ASSERT_EQ(raw.SaveProgramSettings(0, store), 0u);
  store->PopTable();
  store->Close();
  const std::string text = ReadFile(path);
  for (const char* line : {"[Meter.Other]\nTrigger=READ?\nResultFormat=([0-9]+)\nTimeoutMS=2000\n",
                           "[Meter.RAWControl]\nUseRAW=0\n"})
    EXPECT_NE(text.find(line), std::string::npos) << line << " missing in\n" << text;

  PanelList panels;
  raw.AddPanel(panels);
  EXPECT_TRUE(panels.Empty()) << "the RAW page only when the owner asks for it";
  raw.ShowRAWControl = true;
  raw.AddPanel(panels);
  trigger.AddPanel(panels);
  ASSERT_EQ(panels.Size(), 2u);
  EXPECT_EQ(panels.Entries()[0].title, "RAW Settings");
  EXPECT_EQ(panels.Entries()[0].xrcName, "RAWControlConfigurationPanel");
  EXPECT_EQ(panels.Entries()[1].xrcName, "ConfigurableTriggerAndResultPanel");
}
