#include "logging/LogRecordWriter.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <ctime>
#include <limits>
#include <regex>
#include <sstream>

#include "LogReceiver.h"

namespace {
std::string Encoded(const LogValue& value) {
  std::string record;
  LogRecordWriter writer(record, LogRecordWriter::Kind::Single, nullptr, "f", "m", "Note");
  writer.Category("!general");
  writer.Value(value);
  const std::string prefix = "!general;";
  return record.substr(record.find(prefix) + prefix.size());
}
}  // namespace

TEST(LogRecordWriter, EncodesEveryKindOfValue) {
  struct Case {
    LogValue value;
    std::string expected;
  };
  const Case cases[] = {
      {{"n", 0}, "n;i0"},
      {{"n", -5}, "n;i-5"},
      {{"n", std::numeric_limits<int64_t>::min()}, "n;i-9223372036854775808"},
      {{"n", std::numeric_limits<uint64_t>::max()}, "n;i18446744073709551615"},
      {{"n", uint16_t{65535}}, "n;i65535"},
      {{"Err", uint32_t{0x300000D0}}, "Err;i805306576"},
      {{"x", 123.5}, "x;r123.5"},
      {{"x", -0.25}, "x;r-0.25"},
      {{"x", 1e20}, "x;r1e+20"},
      {{"x", 0.1}, "x;r0.1"},
      {{"x", 1.5f}, "x;r1.5"},
      {{"x", std::numeric_limits<double>::infinity()}, "x;rinf"},
      {{"b", true}, "b;bTRUE"},
      {{"b", false}, "b;bFALSE"},
      {{"t", ""}, "t;a0:"},
      {{"t", "CheckDevice(3)"}, "t;a14:CheckDevice(3)"},
      {{"t", "a;b;c"}, "t;a5:a;b;c"},
      {{"t", "\xC3\xA4"}, "t;a2:\xC3\xA4"},        // UTF-8 stays as it is
      {{"t", "\xE4kt"}, "t;a4:\xC3\xA4kt"},        // a Latin-1 byte becomes UTF-8
      {{"t", "\xE2\x82"}, "t;a4:\xC3\xA2\xC2\x82"},  // a cut sequence, byte by byte
      {{"na;me", 1}, "na*me;i1"},
      {{"!name", 1}, "*name;i1"},
  };
  for (const Case& c : cases) EXPECT_EQ(Encoded(c.value), c.expected) << c.expected;
}

TEST(LogRecordWriter, RealsReadBackExactly) {
  for (double value : {0.1, 1.0 / 3.0, -2.5e-300, 6.02214076e23, 123456789.125}) {
    std::string out;
    LogRecordWriter::AppendReal(out, value);
    ASSERT_EQ(out[0], 'r');
    EXPECT_EQ(std::stod(out.substr(1)), value) << out;
  }
}

TEST(LogRecordWriter, ClosesUpSignsExactlyAsTheRegularExpressionDoes) {
  const std::regex rule("([+-])([ ]*)([1-9.,eE+-]+)");
  const char* inputs[] = {"- 5",   "+   12.5", "- 0.5",  "-5",       "5 - 3", "1e- 5", "-  ", "- -1",
                          "x - 9y", "--  7",   "+ ,e",   "12 -  3 - 4", "",     "-",     "- 1 - 2 + 0"};
  for (const char* input : inputs)
    EXPECT_EQ(LogRecordWriter::CloseUpSigns(input), std::regex_replace(input, rule, "$1$3")) << '"' << input << '"';
}

TEST(LogRecordWriter, WritesTheHeaderFieldsInOrder) {
  int scope = 0;
  std::ostringstream pointer;
  pointer << static_cast<const void*>(&scope);
  const time_t before = std::time(nullptr);

  std::string begin;
  LogRecordWriter(begin, LogRecordWriter::Kind::Begin, &scope, "Check;Device", "Device;Driver", "No;te").Finish();
  const auto fields = HeaderAndContent(begin, 7);
  ASSERT_EQ(fields.size(), 8u) << begin;
  EXPECT_EQ(fields[0], "!logb");
  EXPECT_EQ(fields[1], std::to_string(getpid()));
  EXPECT_EQ(fields[2], pointer.str());
  EXPECT_TRUE(std::regex_match(fields[3], std::regex("[0-9]+\\.[0-9]{3}"))) << fields[3];
  const long seconds = std::stol(fields[3]);
  EXPECT_GE(seconds, before);
  EXPECT_LE(seconds, std::time(nullptr));
  EXPECT_EQ(fields[4], "Check*Device");
  EXPECT_EQ(fields[5], "Device*Driver");
  EXPECT_EQ(fields[6], "No*te");
  EXPECT_EQ(fields[7], "!input");

  std::string single;
  LogRecordWriter(single, LogRecordWriter::Kind::Single, nullptr, "F", "M", "Warning").Finish();
  EXPECT_TRUE(std::regex_match(single, std::regex("!logn;[0-9]+\\.[0-9]{3},---,---;---;F;M;Warning;!general")))
      << single;
}

TEST(LogRecordWriter, WritesTheDefaultCategoryOnlyWhenTheContentHasNone) {
  struct Case {
    LogRecordWriter::Kind kind;
    std::string_view category;
    std::string_view description;
    std::string expectedContent;
  };
  const Case cases[] = {
      {LogRecordWriter::Kind::Begin, "", "", "!input"},
      {LogRecordWriter::Kind::End, "", "", "!output"},
      {LogRecordWriter::Kind::Single, "", "", "!general"},
      {LogRecordWriter::Kind::Begin, "!input", "D(1)", "!input;description;a4:D(1);v;i1"},
      {LogRecordWriter::Kind::Begin, "!output", "", "!output;v;i1"},
      {LogRecordWriter::Kind::End, "!general", "x", "!general;description;a1:x;v;i1"},
      {LogRecordWriter::Kind::End, "", "x", "!output;description;a1:x;v;i1"},
      {LogRecordWriter::Kind::Single, "DDLOG", "", "!general;DDLOG;v;i1"},
      {LogRecordWriter::Kind::Begin, "OWN", "t", "!input;OWN;description;a1:t;v;i1"},
  };
  for (const Case& c : cases) {
    std::string record;
    LogRecordWriter writer(record, c.kind, &record, "f", "m", "t");
    const bool withValue = !c.category.empty() || !c.description.empty();
    if (withValue) writer.Content(c.category, c.description, std::initializer_list<LogValue>{{"v", 1}});
    else writer.Finish();
    const size_t header = c.kind == LogRecordWriter::Kind::Single ? 6 : 7;
    EXPECT_EQ(HeaderAndContent(record, header).back(), c.expectedContent) << record;
  }
}
