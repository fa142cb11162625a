#include "LogRecordParser.h"

#include <gtest/gtest.h>

#include <fstream>
#include <random>
#include <sstream>

#include "logging/LogRecordWriter.h"

namespace {
LogRecord Parsed(const std::string& text) {
  LogRecord record;
  std::string error;
  EXPECT_TRUE(LogRecordParser::Parse(text, &record, &error)) << text << ": " << error;
  return record;
}

std::string ValuesText(const LogRecord& record) {
  std::string out;
  for (const LogRecordValue& value : record.values)
    out += "[" + value.category + "]" + value.name + "=" + value.text + ";";
  return out;
}
}  // namespace

TEST(LogRecordParser, DecodesTheThreeKindsOfRecord) {
  const LogRecord begin = Parsed(
      "!logb;4242;0x7ffd2c3a9b10;1717000000.042;CheckDevice;DeviceDriver;Note;!input;description;a14:CheckDevice(3);"
      "DeviceID;i3");
  EXPECT_EQ(begin.kind, LogRecord::Kind::Begin);
  EXPECT_EQ(begin.pid, 4242u);
  EXPECT_EQ(begin.scope, "0x7ffd2c3a9b10");
  EXPECT_EQ(begin.seconds, 1717000000);
  EXPECT_EQ(begin.milliseconds, 42);
  EXPECT_EQ(begin.function + "|" + begin.module + "|" + begin.type, "CheckDevice|DeviceDriver|Note");
  EXPECT_EQ(begin.Description(), "CheckDevice(3)");
  EXPECT_EQ(ValuesText(begin), "[!input]description=CheckDevice(3);[!input]DeviceID=3;");

  const LogRecord end = Parsed("!loge;1;0xA0;5.100;F;M;Auto End;!output");
  EXPECT_EQ(end.kind, LogRecord::Kind::End);
  EXPECT_EQ(end.type, "Auto End");
  EXPECT_TRUE(end.values.empty());
  EXPECT_EQ(end.categories, std::vector<std::string>{"!output"});

  const LogRecord single =
      Parsed("!logn;1717000000.001,---,---;---;DDL_log_data;wxDLLApp;Note;!general;DDLOG;DDLOG Description;"
             "a12:Dynamic load");
  EXPECT_EQ(single.kind, LogRecord::Kind::Single);
  EXPECT_FALSE(single.pid);
  EXPECT_EQ(single.milliseconds, 1);
  EXPECT_EQ(single.categories, (std::vector<std::string>{"!general", "DDLOG"}));
  EXPECT_EQ(ValuesText(single), "[DDLOG]DDLOG Description=Dynamic load;");
}

// The numbers the module ends its records with become fields of the record;
// values of the same names elsewhere stay values.
TEST(LogRecordParser, TakesTheTrailingSequenceValuesOutOfTheValues) {
  std::string written;
  LogRecordWriter(written, LogRecordWriter::Kind::Single, nullptr, "F", "M", "Note").Content("", "hi", std::vector<LogValue>{});
  LogRecordWriter::AppendSequence(written, 77, 5);
  struct Case {
    std::string text;
    std::optional<uint32_t> pid;
    std::optional<uint64_t> sequence;
    std::string values;
  };
  const Case cases[] = {
      {written, 77, 5, "[!general]description=hi;"},
      {"!loge;1;0xA0;5.100;F;M;Complete;!output;Err;i0;#seq;i17", 1, 17, "[!output]Err=0;"},
      {"!logn;1.000,---,---;---;F;M;Note;!general;DDLOG;DDLOG Description;a2:hi;#pid;i42;#seq;i3", 42, 3,
       "[DDLOG]DDLOG Description=hi;"},
      {"!logb;5;0x1;1.000;F;M;Note;!input;#pid;i9;#seq;i4", 5, 4, "[!input]#pid=9;"},
      {"!logn;1.000,---,---;---;F;M;Note;!general;#seq;a1:7", std::nullopt, std::nullopt, "[!general]#seq=7;"},
      {"!loge;1;0xA0;5.100;F;M;Complete;!output;#seq;i1;x;i2", 1, std::nullopt, "[!output]#seq=1;[!output]x=2;"},
  };
  for (const Case& c : cases) {
    const LogRecord record = Parsed(c.text);
    EXPECT_EQ(record.pid, c.pid) << c.text;
    EXPECT_EQ(record.sequence, c.sequence) << c.text;
    EXPECT_EQ(ValuesText(record), c.values) << c.text;
  }
}

TEST(LogRecordParser, DecodesEveryKindOfValue) {
  const LogRecord record = Parsed(
      "!logn;1.000,---,---;---;F;M;Note;!general;a;i-5;b;i18446744073709551615;c;r123.5;d;r1e+20;e;rinf;f;bTRUE;"
      "g;bFALSE;h;a0:;i;a5:x;y;z;j;i- 7;!output;k;a3:;;;");
  ASSERT_EQ(record.values.size(), 11u);
  using Kind = LogRecordValue::Kind;
  const std::pair<Kind, std::string> expected[] = {
      {Kind::Integer, "-5"}, {Kind::Integer, "18446744073709551615"}, {Kind::Real, "123.5"}, {Kind::Real, "1e+20"},
      {Kind::Real, "inf"},   {Kind::Boolean, "TRUE"}, {Kind::Boolean, "FALSE"}, {Kind::Text, ""},
      {Kind::Text, "x;y;z"}, {Kind::Integer, "-7"}, {Kind::Text, ";;;"}};
  for (size_t i = 0; i < record.values.size(); ++i) {
    EXPECT_EQ(record.values[i].kind, expected[i].first) << i;
    EXPECT_EQ(record.values[i].text, expected[i].second) << i;
  }
  EXPECT_TRUE(record.values[5].boolean);
  EXPECT_EQ(record.values[10].category, "!output");
}

TEST(LogRecordParser, RefusesWhatIsNoRecord) {
  const char* inputs[] = {
      "",
      "hello",
      "!logx;1;0x1;1.000;F;M;T;!input",
      "!logb",
      "!logb;12a;0x1;1.000;F;M;T;!input",
      "!logb;-1;0x1;1.000;F;M;T;!input",
      "!logb;1;7f;1.000;F;M;T;!input",
      "!logb;1;0xZZ;1.000;F;M;T;!input",
      "!logb;1;0x1;1.00;F;M;T;!input",
      "!logb;1;0x1;1.0000;F;M;T;!input",
      "!logb;1;0x1;x.000;F;M;T;!input",
      "!logb;1;0x1;1.000;F;M",
      "!logn;1.000;---;F;M;T;!general",
      "!logn;1.000,---,---;--;F;M;T;!general",
      "!logn;1.000,---,---;---;F;M;T;name;i1",        // content without a category
      "!logn;1.000,---,---;---;F;M;T;!general;t;a9:short",
      "!logn;1.000,---,---;---;F;M;T;!general;t;a3:abcd;x;i1",
      "!logn;99999999999999999999.000,---,---;---;F;M;T;!general",
  };
  for (const char* input : inputs) {
    LogRecord record;
    std::string error;
    EXPECT_FALSE(LogRecordParser::Parse(input, &record, &error)) << input;
    EXPECT_FALSE(error.empty()) << input;
  }
}

TEST(LogRecordParser, ReadsWhatTheModuleWrites) {
  int scope = 0;
  std::string text;
  LogRecordWriter writer(text, LogRecordWriter::Kind::End, &scope, "Get;Info", "Driver", "Error");
  writer.Content("", "GetInfo(3, 2, \"a;b\")",
                 std::initializer_list<LogValue>{{"Value", -1.25},
                                                 {"Name", "x;y\xE4"},
                                                 {"Flag", false},
                                                 {"Err", uint32_t{0x300000D3}},
                                                 {"Offset", int64_t{-9}}});
  const LogRecord record = Parsed(text);
  EXPECT_EQ(record.function, "Get*Info");
  EXPECT_EQ(record.Description(), "GetInfo(3, 2, \"a;b\")");
  EXPECT_EQ(ValuesText(record),
            "[!output]description=GetInfo(3, 2, \"a;b\");[!output]Value=-1.25;[!output]Name=x;y\xC3\xA4;"
            "[!output]Flag=FALSE;[!output]Err=805306579;[!output]Offset=-9;");
}

TEST(LogRecordParser, ReadsEveryExampleOfTheFormatDescription) {
  std::ifstream doc(std::string(SWM_SOURCE_DIR) + "/docs/log-format.md");
  ASSERT_TRUE(doc);
  std::string line;
  int examples = 0;
  while (std::getline(doc, line)) {
    if (line.rfind("!log", 0) != 0 || line.find('<') != std::string::npos) continue;
    Parsed(line);
    ++examples;
  }
  EXPECT_GE(examples, 6);
}

// Truncations, byte flips and random bytes: the parser must answer (under the
// sanitizers any read beyond the input fails the test) and whatever it accepts
// must be consistent.
TEST(LogRecordParser, SurvivesDamagedAndRandomInput) {
  const std::string valid =
      "!logb;4242;0x7ffd2c3a9b10;1717000000.042;CheckDevice;DeviceDriver;Note;!input;description;a14:CheckDevice(3);"
      "DeviceID;i3;Text;a7:a;b;c;d;Flag;bTRUE;Real;r-2.5";
  std::mt19937 random(12345);
  const std::string alphabet = "!;:0123456789abixr-.,e ";
  auto check = [](const std::string& input) {
    LogRecord record;
    std::string error;
    if (LogRecordParser::Parse(input, &record, &error)) {
      EXPECT_TRUE(error.empty());
      for (const LogRecordValue& value : record.values) EXPECT_LE(value.text.size(), input.size());
    } else {
      EXPECT_FALSE(error.empty()) << input;
    }
  };
  for (size_t cut = 0; cut <= valid.size(); ++cut) check(valid.substr(0, cut));
  for (int round = 0; round < 3000; ++round) {
    std::string damaged = valid;
    const int flips = 1 + static_cast<int>(random() % 4);
    for (int i = 0; i < flips; ++i)
      damaged[random() % damaged.size()] = round % 2 ? alphabet[random() % alphabet.size()]
                                                     : static_cast<char>(random() % 256);
    check(damaged);
    std::string noise(random() % 64, '\0');
    for (char& c : noise) c = alphabet[random() % alphabet.size()];
    check("!logn;1.000,---,---;---;F;M;T;!general;" + noise);
  }
}
