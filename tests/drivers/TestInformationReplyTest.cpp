// The EUT status reporter's reading of the controller's "TESTINFO name=value"
// lines, including lines far longer than any name, which must neither crash
// nor take long.
#include "drivers/eutstatus/TestInformationReply.h"

#include <gtest/gtest.h>

TEST(TestInformationReply, ReadsNameAndValueOfATestinfoLine) {
  struct Case {
    std::string line;
    bool item;
    const char* name;
    const char* value;
  };
  const Case cases[] = {
      {"TESTINFO Operator=Smith", true, "Operator", "Smith"},
      {"testinfo  Operator = Smith  ", true, "Operator", "Smith"},
      {"TESTINFO\tLab=EMC 1=2", true, "Lab", "EMC 1=2"},
      {"TESTINFO Model", true, "Model", ""},
      {"TESTINFO Model=", true, "Model", ""},
      {"TESTINFO Model=  \t", true, "Model", ""},
      {"TESTINFO =value", false, "", ""},
      {"TESTINFO   ", false, "", ""},
      {"TESTINFO", false, "", ""},
      {"TESTINFOX a=b", false, "", ""},
      {" TESTINFO a=b", false, "", ""},
      {"EUTINFO a=b", false, "", ""},
      {"", false, "", ""},
  };
  for (const Case& c : cases) {
    const auto item = ParseTestInformationReply(c.line);
    ASSERT_EQ(item.has_value(), c.item) << c.line;
    if (!item) continue;
    EXPECT_EQ(item->name, c.name) << c.line;
    EXPECT_EQ(item->value, c.value) << c.line;
  }
  // A line of the reporter's full reply size (a regular expression overflowed the stack at a fifth of it).
  const std::string name(250000, 'n'), value(249990, 'v');
  const auto item = ParseTestInformationReply("TESTINFO " + name + "=" + value);
  ASSERT_TRUE(item.has_value());
  EXPECT_EQ(item->name, name);
  EXPECT_EQ(item->value, value);
}
