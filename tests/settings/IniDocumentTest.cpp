#include "settings/IniDocument.h"

#include <gtest/gtest.h>

#include <optional>

namespace {
std::optional<std::string> Lookup(const std::string& text, const char* section, const char* key) {
  const IniDocument doc(text);
  const auto value = doc.Find(section, key);
  if (!value) return std::nullopt;
  return std::string(*value);
}
}  // namespace

TEST(IniDocument, FindsValuesLikeTheProfileFunctions) {
  struct Case {
    const char* text;
    const char* section;
    const char* key;
    std::optional<std::string> expected;
  };
  const Case cases[] = {
      {"[Sec]\nKey=Value\n", "sec", "KEY", "Value"},
      {"[Sec]\nKey=Value\n", "Sec", "Other", std::nullopt},
      {"[Sec]\nKey=Value\n", "Other", "Key", std::nullopt},
      {"[A]\nk=1\n[a]\nk=2\nj=3\n", "A", "k", "1"},           // first section wins
      {"[A]\nk=1\n[a]\nk=2\nj=3\n", "a", "j", std::nullopt},  // later repeats are not searched
      {"[A]\nk=1\nK=2\n", "a", "k", "1"},                     // first key wins
      {"  [ A ]  \n  k  =  v w  \n", "A", "k", "v w"},
      {"[A]\nk=\"quoted\"\n", "A", "k", "quoted"},
      {"[A]\nk='quoted'\n", "A", "k", "quoted"},
      {"[A]\nk=\"mixed'\n", "A", "k", "\"mixed'"},
      {"[A]\nk=\"\n", "A", "k", "\""},
      {"[A]\nk=\"\"\n", "A", "k", ""},
      {"[A]\n;k=1\n#k=2\nk=3", "A", "k", "3"},
      {"k=0\n[A]\n", "A", "k", std::nullopt},  // keys before the first section belong to none
      {"k=0\n[A]\n", "", "k", std::nullopt},
      {"[]\nk=v\n", "", "k", "v"},
      {"[A]\nk=\n", "A", "k", ""},
      {"[A]\r\nk=v\r\n", "A", "k", "v"},
      {"[A]\r\nk=v\r\r\n", "A", "k", "v"},
      {"\xEF\xBB\xBF[A]\nk=v", "A", "k", "v"},
      {"[\xC3\x84RA]\n\xC3\x96L=1\n", "\xC3\xA4ra", "\xC3\xB6l", "1"},  // [ÄRA] ÖL= as ära, öl
      {"[A\nk=v\n", "A", "k", "v"},            // a header without "]"
      {"[a]b]\nk=v\n", "a]b", "k", "v"},       // up to the last "]"
      {"[A]\nflag\nk=v\n", "A", "flag", std::nullopt},
      {"[A]\n=v\nk=w\n", "A", "", std::nullopt},
      {"[A]\nk=a=b\n", "A", "k", "a=b"},
      {"[A]\n\tk\t=\tv\t\n", "A", " k ", "v"},
      {"[A]\nk=v\n[B]\n", "B", "k", std::nullopt},
      {"", "A", "k", std::nullopt},
  };
  for (const Case& c : cases)
    EXPECT_EQ(Lookup(c.text, c.section, c.key), c.expected)
        << "text: " << c.text << " [" << c.section << "] " << c.key;
}

TEST(IniDocument, GivesBackTheParsedBytesExactly) {
  const std::string texts[] = {
      "",
      "\n",
      "\r\n\r\n",
      "[A]\nk=v",
      "[A]\nk=v\n",
      "[A]\r\nk=v\nj=w\r\n",  // mixed endings stay as they were
      "\xEF\xBB\xBF; comment\r\n[A]\r\n",
      "\xEF\xBB\xBF",
      "garbage \x01\x02\xff\xfe line\n[\n]\n==\n",
      std::string("[A]\nk=v\0w\n", 11),
      "\r",
      "a\rb\r\n",
  };
  for (const std::string& text : texts) EXPECT_EQ(IniDocument(text).Text(), text) << text;
}

TEST(IniDocument, SetChangesOnlyItsOwnLine) {
  IniDocument doc(
      "; settings of several programs\r\n"
      "[Other]\r\n"
      "x=1\r\n"
      "\r\n"
      "[Mine]\r\n"
      "Alpha = 1\r\n"
      "; about the next section\r\n"
      "\r\n"
      "[Last]\r\n"
      "y=2");
  EXPECT_TRUE(doc.Set("MINE", "alpha", "5"));  // keeps the key's spelling in the file
  EXPECT_TRUE(doc.Set("Mine", "Beta", "6"));   // after the last key of the section
  EXPECT_TRUE(doc.Set("other", "X", "9"));
  EXPECT_TRUE(doc.Set("New", "k", "v"));       // a new section at the end
  EXPECT_TRUE(doc.Set("new", "j", "w"));
  EXPECT_EQ(doc.Text(),
            "; settings of several programs\r\n"
            "[Other]\r\n"
            "x=9\r\n"
            "\r\n"
            "[Mine]\r\n"
            "Alpha=5\r\n"
            "Beta=6\r\n"
            "; about the next section\r\n"
            "\r\n"
            "[Last]\r\n"
            "y=2\r\n"
            "\r\n"
            "[New]\r\n"
            "k=v\r\n"
            "j=w\r\n");
}

TEST(IniDocument, SetOnEmptyDocumentsAndSectionsWithoutKeys) {
  IniDocument empty;
  EXPECT_TRUE(empty.Set("A", "k", "v"));
  EXPECT_TRUE(empty.Set("A.B", "k", "w"));
  EXPECT_EQ(empty.Text(), "[A]\nk=v\n\n[A.B]\nk=w\n");

  IniDocument bare("[A]\n; nothing yet\n[B]\nz=1\n");
  EXPECT_TRUE(bare.Set("a", "k", "v"));
  EXPECT_EQ(bare.Text(), "[A]\nk=v\n; nothing yet\n[B]\nz=1\n");

  IniDocument unterminated("[A]\nk=v");
  EXPECT_TRUE(unterminated.Set("A", "j", "w"));
  EXPECT_EQ(unterminated.Text(), "[A]\nk=v\nj=w\n");
}

TEST(IniDocument, SetKeepsSectionsOnOneLineAndRefusesWhatWouldNotReadBack) {
  IniDocument doc;
  EXPECT_TRUE(doc.Set("S\nT", "k", "one line"));
  EXPECT_EQ(std::string(*doc.Find("S T", "k")), "one line");
  EXPECT_EQ(std::string(*doc.Find("S\nT", "k")), "one line");  // as it was set
  const std::pair<const char*, const char*> refused[] = {
      {"", "v"},   {"  ", "v"}, {"a=b", "v"}, {"[k", "v"},          {";k", "v"},
      {"#k", "v"}, {"a\nb", "v"}, {"k", "two\nlines"}, {"k", "two\rlines"}, {"j", "\r\n"},
  };
  for (const auto& [key, value] : refused) {
    const std::string before = doc.Text();
    EXPECT_TRUE(IniDocument::Unstorable(key, value)) << key;
    EXPECT_FALSE(doc.Set("S T", key, value)) << key;
    EXPECT_EQ(doc.Text(), before) << key;
  }
  EXPECT_FALSE(IniDocument::Unstorable("k", "one line"));
  // Reparsing the written text gives the same values.
  const IniDocument again(doc.Text());
  EXPECT_EQ(std::string(*again.Find("s t", "K")), "one line");
}

TEST(IniDocument, ValuesThatReadingWouldChangeAreWrittenWithinQuotes) {
  struct Case {
    std::string value;
    std::string line;  // as written
  };
  const Case cases[] = {
      {"'/opt/EMC tools/pre.sh' 'start'", "k=\"'/opt/EMC tools/pre.sh' 'start'\""},
      {"\"a b\"", "k=\"\"a b\"\""},
      {"''", "k=\"''\""},
      {"\"\"", "k=\"\"\"\""},
      {"  inner  text  ", "k=\"  inner  text  \""},
      {"\ttab", "k=\"\ttab\""},
      {"'open", "k='open"},        // quotes that do not enclose the value are written as they are
      {"\"a' 'b\"", "k=\"\"a' 'b\"\""},
      {"'a\"", "k='a\""},
      {"\"", "k=\""},
      {"", "k="},
      {"plain text", "k=plain text"},
  };
  for (const Case& c : cases) {
    IniDocument doc;
    ASSERT_TRUE(doc.Set("S", "k", c.value));
    EXPECT_EQ(doc.Text(), "[S]\n" + c.line + "\n") << c.value;
    EXPECT_EQ(std::string(*doc.Find("S", "k")), c.value);
    EXPECT_EQ(std::string(*IniDocument(doc.Text()).Find("S", "k")), c.value) << c.value;
  }
}

TEST(IniDocument, ListsSectionsAndKeysAsSpelled) {
  const IniDocument doc("x=0\n[One]\na=1\n; c=3\nB=2\n[two]\n[one]\nz=9\n");
  EXPECT_EQ(doc.SectionNames(), (std::vector<std::string>{"One", "two", "one"}));
  EXPECT_EQ(doc.KeyNames("ONE"), (std::vector<std::string>{"a", "B"}));
  EXPECT_TRUE(doc.KeyNames("two").empty());
  EXPECT_TRUE(doc.KeyNames("three").empty());
}
