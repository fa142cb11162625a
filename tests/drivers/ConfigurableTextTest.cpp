// The text handling of the configurable drivers: escape sequences in typed
// commands, placeholder numbers and their substitution, and lists stored as
// numbered keys. Malformed input never crashes and has a defined result.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>

#include "drivers/configurable/EscapeSequences.h"
#include "drivers/configurable/NumberedKeyList.h"
#include "drivers/configurable/Placeholder.h"
#include "support/TestFiles.h"

TEST(EscapeSequences, DecodesTheKnownSequencesAndKeepsEverythingElse) {
  struct Case {
    std::string typed;
    std::string sent;
  } cases[] = {
      {"PATH 1\\n", "PATH 1\n"},
      {"A\\r\\nB", "A\r\nB"},
      {"\\N\\R\\T", "\n\r\t"},
      {"a\\tb", "a\tb"},
      {"\\\\n", "\\n"},              // an escaped backslash, then a plain n
      {"\\x41\\x4a\\x4B", "AJK"},
      {"\\x0", std::string(1, '\0')},
      {"\\x7", "\x07"},
      {"\\x414", "A4"},              // at most two digits
      {"\\xff", "\xff"},
      {"\\xg1", "\\xg1"},            // no digit: as typed
      {"\\x", "\\x"},
      {"end\\", "end\\"},            // a lone backslash at the end stays
      {"\\q\\7", "\\q\\7"},          // unknown sequences stay
      {"", ""},
      {"\\\\\\", "\\\\"},
      {"no escapes", "no escapes"},
  };
  for (const Case& c : cases) EXPECT_EQ(DecodeEscapeSequences(c.typed), c.sent) << c.typed;
}

TEST(Placeholder, WritesTheFewestDecimalsThatKeepTheSevenDecimalValue) {
  struct Case {
    double value;
    const char* text;
  } cases[] = {{1000.0, "1000"},       {2.5, "2.5"},         {0.0, "0"},           {-0.0, "0"},
               {-3.25, "-3.25"},       {1.0 / 3.0, "0.3333333"}, {0.00000004, "0"}, {-0.00000004, "0"},
               {0.00000006, "0.0000001"}, {123456789.0, "123456789"}, {1e20, "100000000000000000000"},
               {2489.81260978, "2489.8126098"}};
  for (const Case& c : cases) EXPECT_EQ(FormatPlaceholderNumber(c.value), c.text) << c.value;
  EXPECT_EQ(FormatPlaceholderNumber(NAN), "nan");
  EXPECT_EQ(FormatPlaceholderNumber(-INFINITY), "-inf");
  EXPECT_EQ((Placeholder{"__freqHz__", 80.5, 1000000.0}.Text()), "80500000");
  EXPECT_EQ((Placeholder{"__radian__", 90.0f, 0.0174533}.Text()), "1.570797");
}

TEST(Placeholder, ReplacesEveryOccurrenceEntryByEntryInListOrder) {
  const PlaceholderList list = {{"__freq__", 80.0, 1.0},
                                {"__freqkHz__", 80.0, 1000.0},
                                {"", 5.0, 1.0},                 // an empty name replaces nothing
                                {"__loop__", 1.0, 1.0},
                                {"X", 7.0, 1.0},
                                {"__first__", 1.5, 1.0},
                                {"__second__", 2.0, 1.0}};
  struct Case {
    std::string command;
    std::string sent;
  } cases[] = {
      {"FREQ __freq__ MHZ", "FREQ 80 MHZ"},
      {"__freq__,__freq__;__freqkHz__", "80,80;80000"},
      {"__freqMHz__", "__freqMHz__"},   // not in the list: left in place
      {"__freq_", "__freq_"},
      {"", ""},
      {"__loop____loop__", "11"},
      {"XX", "77"},
      // An entry's text is searched by the later entries (list order), never by itself.
      {"__first__ __second__", "1.5 2"},
  };
  for (const Case& c : cases) EXPECT_EQ(SubstitutePlaceholders(c.command, list), c.sent) << c.command;
  // A text that contains its own name is not replaced again (no endless loop).
  EXPECT_EQ(SubstitutePlaceholders("1 1", {{"1", 11.0, 1.0}}), "11 11");
}

TEST(NumberedKeyList, StoresListsUnderNumberedKeysAndCutsLongerOldOnes) {
  TestDirectory dir;
  const std::string path = dir.File("list.ini");
  std::ofstream(path) << "[T]\nDuringTest=a\nDuringTest2=b\nDuringTest3=c\nDuringTest4=d\nAfterTest=\nAfterTest2=x\n";
  SettingsStore store = CreateINIProgramSettingsDatabase(path);
  store->Open();
  store->PushTable("T");
  EXPECT_EQ(ReadNumberedKeyList(*store, "DuringTest"), (std::vector<std::string>{"a", "b", "c", "d"}));
  EXPECT_TRUE(ReadNumberedKeyList(*store, "AfterTest").empty()) << "an empty bare key leaves the list empty";
  EXPECT_TRUE(ReadNumberedKeyList(*store, "Missing").empty());

  // One element after four: the second key is blanked, and so are the stale ones up to the count given.
  WriteNumberedKeyList(*store, "DuringTest", {"z"}, 3);
  WriteNumberedKeyList(*store, "Empty", {}, 0);
  store->PopTable();
  store->Close();
  const std::string text = ReadFile(path);
  for (const char* line : {"DuringTest=z\n", "DuringTest2=\n", "DuringTest3=\n", "DuringTest4=d\n", "Empty=\n"})
    EXPECT_NE(text.find(line), std::string::npos) << line << " missing in\n" << text;
  EXPECT_EQ(text.find("Empty2"), std::string::npos) << text;

  SettingsStore again = CreateINIProgramSettingsDatabase(path);
  again->Open();
  again->PushTable("T");
  EXPECT_EQ(ReadNumberedKeyList(*again, "DuringTest"), std::vector<std::string>{"z"});
  EXPECT_EQ(NumberedKey("AfterTest", 1), "AfterTest");
  EXPECT_EQ(NumberedKey("AfterTest", 12), "AfterTest12");
}
