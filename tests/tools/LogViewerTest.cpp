#include "LogViewer.h"

#include <gtest/gtest.h>

#include <sstream>

#include "CallTreePrinter.h"
#include "JsonLinePrinter.h"

namespace {
// The lines a viewer prints for the datagrams, without the local time stamp.
std::vector<std::string> Shown(LogViewer& viewer, const std::vector<std::string>& datagrams) {
  std::vector<std::string> lines;
  for (const std::string& datagram : datagrams) {
    std::ostringstream out;
    if (!viewer.Handle(datagram, out)) continue;
    std::string line = out.str();
    if (line.size() > 13 && line[2] == ':' && line[5] == ':' && line[8] == '.') line = line.substr(13);
    lines.push_back(line);
  }
  return lines;
}

const std::vector<std::string> kCall = {
    "!logb;7;0x10;100.000;CheckDevice;DeviceDriver;Note;!input;description;a14:CheckDevice(3);DeviceID;i3",
    "!logb;7;0x20;100.005;MessageBoxW;DeviceDriver;Note;!input;description;a11:MessageBoxW;Text;a9:say \"hi\"\n",
    "!logn;100.006,---,---;---;Inner;Base;Warning;!general;description;a4:note",
    "!loge;7;0x20;100.010;MessageBoxW;DeviceDriver;Complete;!output;Result;i1",
    "\x01garbage; not a record",
    "!loge;7;0x10;100.250;CheckDevice;DeviceDriver;Error;!output;Err;i805306576",
    "!loge;8;0x30;101.000;Lost;DeviceDriver;Complete;!output",
};
}  // namespace

TEST(LogViewer, PrintsCallTreesWithPairedEndsAndDurations) {
  LogViewer viewer(std::make_unique<CallTreePrinter>(), RecordFilter());
  const std::vector<std::string> expected = {
      "[7] > CheckDevice (DeviceDriver) Note: CheckDevice(3) DeviceID=3\n",
      "[7]   > MessageBoxW (DeviceDriver) Note: MessageBoxW Text=\"say \\\"hi\\\"\\n\"\n",
      "[-]     - Inner (Base) Warning: note\n",
      "[7]   < MessageBoxW (DeviceDriver) Complete [5 ms] Result=1\n",
      "?? \\x01garbage; not a record  (unknown record kind)\n",
      "[7] < CheckDevice (DeviceDriver) Error [250 ms] Err=0x300000D0\n",
      "[8] < Lost (DeviceDriver) Complete [? ms]\n",
  };
  EXPECT_EQ(Shown(viewer, kCall), expected);
}

TEST(LogViewer, ShowsEveryStatusInHexWithItsText) {
  LogViewer viewer(std::make_unique<CallTreePrinter>(), RecordFilter());
  const std::vector<std::string> expected = {
      "[-] - NewTry (RetryCounter) Warning: retry currentTry=2 previousTryErrorCode=0x300000CB \"The device driver "
      "does not implement this operation.\" Read=805306571\n"};
  EXPECT_EQ(Shown(viewer, {"!logn;100.000,---,---;---;NewTry;RetryCounter;Warning;!general;description;a5:retry;"
                           "currentTry;i2;previousTryErrorCode;i805306571;Read;i805306571"}),
            expected);
}

TEST(LogViewer, WritesOneJsonObjectPerRecord) {
  LogViewer viewer(std::make_unique<JsonLinePrinter>(), RecordFilter());
  const auto lines = Shown(viewer, kCall);
  ASSERT_EQ(lines.size(), 7u);
  EXPECT_EQ(lines[0],
            "{\"record\":\"begin\",\"pid\":7,\"scope\":\"0x10\",\"seq\":null,\"time\":100.000,\"function\":\"CheckDevice\","
            "\"module\":\"DeviceDriver\",\"type\":\"Note\",\"description\":\"CheckDevice(3)\",\"depth\":0,"
            "\"categories\":[\"!input\"],\"values\":[{\"category\":\"!input\",\"name\":\"description\",\"kind\":"
            "\"text\",\"value\":\"CheckDevice(3)\"},{\"category\":\"!input\",\"name\":\"DeviceID\",\"kind\":"
            "\"integer\",\"value\":3}]}\n");
  EXPECT_NE(lines[1].find("\"value\":\"say \\\"hi\\\"\\n\""), std::string::npos) << lines[1];
  EXPECT_EQ(lines[2].rfind("{\"record\":\"single\",\"pid\":null,\"scope\":null,\"seq\":null,\"time\":100.006,\"function\":\"Inner\"", 0),
            0u)
      << lines[2];
  EXPECT_NE(lines[2].find("\"depth\":2"), std::string::npos) << lines[2];
  EXPECT_NE(lines[3].find("\"depth\":1,\"duration_ms\":5,"), std::string::npos) << lines[3];
  EXPECT_EQ(lines[4], "{\"record\":\"raw\",\"raw\":\"\\u0001garbage; not a record\",\"error\":\"unknown record kind\"}\n");
  EXPECT_NE(lines[5].find("\"depth\":0,\"duration_ms\":250,"), std::string::npos) << lines[5];
  EXPECT_NE(lines[6].find("\"duration_ms\":null"), std::string::npos) << lines[6];
}

TEST(LogViewer, JsonValuesAreValidJsonForEveryKind) {
  LogViewer viewer(std::make_unique<JsonLinePrinter>(), RecordFilter());
  const auto lines = Shown(viewer, {"!logn;1.000,---,---;---;F;M;Note;!general;a;i+0012;b;r-0.5;c;rinf;d;bFALSE;"
                                    "e;a3:\xE4\x01\x7F;f;i99999999999999999999"});
  ASSERT_EQ(lines.size(), 1u);
  const char* expected[] = {"\"name\":\"a\",\"kind\":\"integer\",\"value\":12}",
                            "\"name\":\"b\",\"kind\":\"real\",\"value\":-0.5}",
                            "\"name\":\"c\",\"kind\":\"real\",\"value\":\"inf\"}",
                            "\"name\":\"d\",\"kind\":\"boolean\",\"value\":false}",
                            "\"name\":\"e\",\"kind\":\"text\",\"value\":\"\\u00e4\\u0001\\u007f\"}",
                            "\"name\":\"f\",\"kind\":\"integer\",\"value\":\"99999999999999999999\"}"};
  for (const char* part : expected) EXPECT_NE(lines[0].find(part), std::string::npos) << part << "\n" << lines[0];
}

TEST(LogViewer, FiltersByModuleFunctionAndTypeButKeepsTheDepths) {
  struct Case {
    std::vector<std::pair<std::string, std::string>> options;
    std::vector<std::string> functions;  // of the records shown, in order
  };
  const Case cases[] = {
      {{}, {"CheckDevice", "MessageBoxW", "Inner", "MessageBoxW", "?", "CheckDevice", "Lost"}},
      {{{"module", "Base"}}, {"Inner"}},
      {{{"function", "MessageBoxW"}}, {"MessageBoxW", "MessageBoxW"}},
      {{{"function", "MessageBoxW"}, {"function", "Lost"}}, {"MessageBoxW", "MessageBoxW", "Lost"}},
      {{{"type", "Complete"}, {"module", "DeviceDriver"}}, {"MessageBoxW", "Lost"}},
      {{{"type", "Nothing"}}, {}},
  };
  for (const Case& c : cases) {
    RecordFilter filter;
    for (const auto& [option, value] : c.options) {
      if (option == "module") filter.AddModule(value);
      if (option == "function") filter.AddFunction(value);
      if (option == "type") filter.AddType(value);
    }
    LogViewer viewer(std::make_unique<CallTreePrinter>(), filter);
    std::vector<std::string> functions;
    for (const std::string& line : Shown(viewer, kCall)) {
      if (line.rfind("??", 0) == 0) {
        functions.push_back("?");
        continue;
      }
      const size_t mark = line.find_first_of("<>-", line.find(']'));
      functions.push_back(line.substr(mark + 2, line.find(' ', mark + 2) - mark - 2));
    }
    EXPECT_EQ(functions, c.functions) << c.options.size();
  }
  // The depth of a shown record counts the calls that were filtered out.
  RecordFilter onlyBoxes;
  onlyBoxes.AddFunction("MessageBoxW");
  LogViewer viewer(std::make_unique<CallTreePrinter>(), onlyBoxes);
  EXPECT_EQ(Shown(viewer, kCall).front().substr(0, 10), "[7]   > Me");
}

// Numbered records: a jump in a process's numbers is shown as a line of its
// own, and the calls that were open before it are forgotten (their ends may
// be among the lost records). So are the records before the first one seen
// of a process, and a number that goes back (after which the count goes on
// from the highest number). Statuses are shown in hex, with the text of a
// shared status; JSON keeps the number.
TEST(LogViewer, ShowsLostRecordsAndStartsTheTreeOfTheProcessAfresh) {
  const std::vector<std::string> records = {
      "!logb;7;0x10;100.000;Outer;M;Note;!input;#seq;i1",
      "!logb;9;0x10;100.000;Other;M;Note;!input;#seq;i40",
      "!logb;7;0x20;100.001;Inner;M;Note;!input;#seq;i2",
      "!logn;100.010,---,---;---;Note;M;Note;!general;description;a1:x;#pid;i7;#seq;i15",
      "!loge;7;0x10;100.020;Outer;M;Error;!output;Err;i805306571;#seq;i16",
      "!loge;9;0x10;100.030;Other;M;Complete;!output;Err;i0;#seq;i41",
      "!logn;100.040,---,---;---;Late;M;Note;!general;#pid;i7;#seq;i18",
      "!logn;100.050,---,---;---;Early;M;Note;!general;#pid;i7;#seq;i17",
      "!logn;100.060,---,---;---;Next;M;Note;!general;#pid;i7;#seq;i19",
  };
  struct Case {
    bool json;
    std::vector<std::string> lines;  // (parts of) every line, in order
  };
  const Case cases[] = {
      {false,
       {"[7] > Outer (M) Note\n", "[9] 39 records lost\n", "[9] > Other (M) Note\n", "[7]   > Inner (M) Note\n",
        "[7] 12 records lost\n",
        "[7] - Note (M) Note: x\n",
        "[7] < Outer (M) Error [? ms] Err=0x300000CB \"The device driver does not implement this operation.\"\n",
        "[9] < Other (M) Complete [30 ms] Err=0x00000000\n", "[7] 1 record lost\n", "[7] - Late (M) Note\n",
        "[7] record 17 came after record 18 (late, or a new process with this ID)\n", "[7] - Early (M) Note\n",
        "[7] - Next (M) Note\n"}},
      {true,
       {"\"pid\":7,\"scope\":\"0x10\",\"seq\":1,", "{\"record\":\"gap\",\"pid\":9,\"lost\":39}\n", "\"pid\":9,",
        "\"seq\":2,",
        "{\"record\":\"gap\",\"pid\":7,\"lost\":12}\n",
        "{\"record\":\"single\",\"pid\":7,\"scope\":null,\"seq\":15,",
        "\"depth\":0,\"duration_ms\":null,\"categories\":[\"!output\"],\"values\":[{\"category\":\"!output\","
        "\"name\":\"Err\",\"kind\":\"integer\",\"value\":805306571}]}\n",
        "\"seq\":41,", "{\"record\":\"gap\",\"pid\":7,\"lost\":1}\n", "\"seq\":18,",
        "{\"record\":\"back\",\"pid\":7,\"seq\":17,\"highest\":18}\n", "\"seq\":17,", "\"seq\":19,"}},
  };
  for (const Case& c : cases) {
    LogViewer viewer(c.json ? std::unique_ptr<RecordPrinter>(std::make_unique<JsonLinePrinter>())
                            : std::make_unique<CallTreePrinter>(),
                     RecordFilter());
    std::vector<std::string> lines;
    for (const std::string& block : Shown(viewer, records)) {
      // A gap line comes in the same output as the record after it.
      for (size_t start = 0; start < block.size();) {
        const size_t end = block.find('\n', start) + 1;
        std::string line = block.substr(start, end - start);
        if (line.size() > 13 && line[2] == ':' && line[5] == ':') line = line.substr(13);
        lines.push_back(line);
        start = end;
      }
    }
    ASSERT_EQ(lines.size(), c.lines.size()) << c.json;
    for (size_t i = 0; i < lines.size(); ++i) {
      if (c.json) {
        EXPECT_NE(lines[i].find(c.lines[i]), std::string::npos) << c.lines[i] << "\n" << lines[i];
      } else {
        EXPECT_EQ(lines[i], c.lines[i]);
      }
    }
  }
}
