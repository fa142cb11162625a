#include "settings/EnumClass.h"

#include <gtest/gtest.h>

#include <climits>

#include "settings/EnumExpression.h"

namespace {
SWM_ENUM(TestTermination, NoTermination = 0, MIN_TEST_TERMINATION = 0, CarrierReturn = 1,
         LineFeed = 2, CarrierReturnPlusLineFeed = 3, MAX_TEST_TERMINATION = 3)

using Entries = std::vector<std::pair<std::string, int64_t>>;
}  // namespace

TEST(EnumClass, BuildsTablesFromDeclarations) {
  const EnumTable dataBits("({ MIN_DATABITS = 5, Data5 = 5, Data6, Data7, Data8, MAX_DATABITS = 8 })");
  EXPECT_EQ(dataBits.ValueOf("Data6"), 6);
  EXPECT_EQ(dataBits.ValueOf("Data8"), 8);
  EXPECT_EQ(dataBits.Largest(), 8);
  EXPECT_EQ(dataBits.NameOf(5), "Data5");  // the bound is not the preferred name
  EXPECT_EQ(dataBits.NameOf(8), "Data8");
  EXPECT_EQ(dataBits.NameOf(9), "undefined");
  EXPECT_EQ(dataBits.Entries(), (Entries{{"MIN_DATABITS", 5}, {"Data5", 5}, {"Data6", 6},
                                         {"Data7", 7}, {"Data8", 8}, {"MAX_DATABITS", 8}}));

  const EnumTable gpib(
      "({ GPIB_INVALID = -1, MIN_GPIB_BOARD = 0, GPIB0 = MIN_GPIB_BOARD, GPIB1, GPIB2, GPIB3, "
      "MAX_GPIB_BOARD = GPIB3 })");
  EXPECT_EQ(gpib.ValueOf("GPIB3"), 3);
  EXPECT_EQ(gpib.ValueOf("MAX_GPIB_BOARD"), 3);
  EXPECT_EQ(gpib.ValueOf("GPIB_INVALID"), -1);
  EXPECT_EQ(gpib.NameOf(0), "GPIB0");
  EXPECT_EQ(gpib.NameOf(-1), "GPIB_INVALID");
  EXPECT_EQ(gpib.Largest(), 3);

  const EnumTable parity("({ None = 0, firstParity = 0, Odd, Even })");
  EXPECT_EQ(parity.NameOf(0), "None");  // the first of two aliases
  EXPECT_EQ(parity.ValueOf("firstParity"), 0);
  EXPECT_EQ(parity.ValueOf("Odd"), 1);
  EXPECT_EQ(parity.ValueOf("none"), std::nullopt);  // names are case-sensitive
}

TEST(EnumClass, EvaluatesExpressionsLeftToRight) {
  struct Case {
    const char* text;
    std::optional<int64_t> expected;
  };
  const auto lookup = [](std::string_view name) -> std::optional<int64_t> {
    if (name == "A") return 3;
    if (name == "B_2") return 10;
    return std::nullopt;
  };
  const Case cases[] = {
      {"42", 42},         {" 42 ", 42},        {"A", 3},              {"B_2", 10},
      {"1 + 2 * 3", 9},   {"1 + (2 * 3)", 7},  {"A | 4", 7},          {"B_2 & 6", 2},
      {"A ^ 1", 2},       {"10 - 4 - 3", 3},   {"100 / 7", 14},       {"100 % 7", 2},
      {"-1", -1},         {"- -1", 1},         {"+5", 5},             {"2 * -3", -6},
      {"((((1))))", 1},   {"(A + 1) * (B_2 - 8)", 8},                 {"7 / 0", std::nullopt},
      {"7 % (A - 3)", std::nullopt},           {"C", std::nullopt},   {"0x10", std::nullopt},
      {"12ab", std::nullopt},                  {"", std::nullopt},    {"1 +", std::nullopt},
      {"(1", std::nullopt},                    {"1)", std::nullopt},  {"1 2", std::nullopt},
      {"1 ** 2", std::nullopt},                {"a.b", std::nullopt}, {"9223372036854775807 + 1", INT64_MIN},
      {"-9223372036854775807 - 1", INT64_MIN}, {"(0 - 9223372036854775807 - 1) / -1", INT64_MIN},
      {"(0 - 9223372036854775807 - 1) % -1", 0},
  };
  for (const Case& c : cases) EXPECT_EQ(EvaluateEnumExpression(c.text, lookup), c.expected) << c.text;

  // Nesting is limited, so that no text can exhaust the stack.
  const std::string deep = std::string(64, '(') + "1" + std::string(64, ')');
  EXPECT_EQ(EvaluateEnumExpression(deep, lookup), 1);
  const std::string tooDeep = std::string(100000, '(') + "1" + std::string(100000, ')');
  EXPECT_EQ(EvaluateEnumExpression(tooDeep, lookup), std::nullopt);
  EXPECT_EQ(EvaluateEnumExpression("1", EnumNameLookup()), 1);
  EXPECT_EQ(EvaluateEnumExpression("A", EnumNameLookup()), std::nullopt);
}

TEST(EnumClass, UsesExpressionsAndEarlierNamesInDeclarations) {
  const EnumTable flags(
      "enum Flags { Read = 1, Write = 2, ReadWrite = Read | Write, Exec = 4, All = ReadWrite | Exec, "
      "Next, Twice = All * 2, Broken = 1 / 0, AfterBroken, Unknown = Nothing, Bad Name = 3, "
      "Mixed = (All + 1) % 5, 9Lives }");
  EXPECT_EQ(flags.Entries(), (Entries{{"Read", 1}, {"Write", 2}, {"ReadWrite", 3}, {"Exec", 4},
                                      {"All", 7}, {"Next", 8}, {"Twice", 14}, {"AfterBroken", 15},
                                      {"Mixed", 3}, {"9Lives", 4}}));
  EXPECT_EQ(flags.Largest(), 15);
  EXPECT_EQ(flags.NameOf(3), "ReadWrite");
}

TEST(EnumClass, SurvivesAnyDeclarationText) {
  const char* texts[] = {"",    "{",        "}",       "}{",        "{,,,}",       "({ = })",
                         "{=}", "{A=}",     "{=1}",    "{A = (}",   "{ A, A, A }", "no braces A, B",
                         "{A = 1 / (1 - 1)}", "{ A = -9223372036854775807 - 1, B }"};
  for (const char* text : texts) {
    const EnumTable table(text);
    for (const auto& [name, value] : table.Entries()) {
      EXPECT_EQ(table.ValueOf(name).has_value(), true) << text;
      EXPECT_LE(value, table.Largest()) << text;
      EXPECT_NE(table.NameOf(value), "undefined") << text;
    }
  }
  EXPECT_TRUE(EnumTable("").Entries().empty());
  EXPECT_EQ(EnumTable("").Largest(), 0);
  EXPECT_EQ(EnumTable("no braces A, B").Entries(), (Entries{{"B", 0}}));  // "no braces A" is not a name
  EXPECT_EQ(EnumTable("{ A, A, A }").Entries(), (Entries{{"A", 0}, {"A", 1}, {"A", 2}}));
  EXPECT_EQ(EnumTable("{ A, A, A }").ValueOf("A"), 0);
  EXPECT_EQ(EnumTable("{ A = 9223372036854775807, B }").ValueOf("B"), INT64_MIN);
}

TEST(EnumClass, GivesNamesOfDeclaredEnumerations) {
  const auto& table = EnumClass<TestTermination>::Instance();
  EXPECT_EQ(&table, &EnumClass<TestTermination>::Instance());
  EXPECT_EQ(table.Name(LineFeed), "LineFeed");
  EXPECT_EQ(table.Name(NoTermination), "NoTermination");
  EXPECT_EQ(table.Name(static_cast<TestTermination>(17)), "undefined");
  TestTermination value = NoTermination;
  EXPECT_TRUE(table.Value("CarrierReturnPlusLineFeed", &value));
  EXPECT_EQ(value, CarrierReturnPlusLineFeed);
  EXPECT_FALSE(table.Value("Tab", &value));
  EXPECT_EQ(value, CarrierReturnPlusLineFeed);
  EXPECT_EQ(table.Largest(), CarrierReturnPlusLineFeed);
  const auto entries = table.Entries();
  ASSERT_EQ(entries.size(), 6u);
  EXPECT_EQ(entries[1], std::make_pair(std::string("MIN_TEST_TERMINATION"), NoTermination));
  EXPECT_EQ(entries[4], std::make_pair(std::string("CarrierReturnPlusLineFeed"), CarrierReturnPlusLineFeed));
}
