#pragma once
// One reply line to "TESTINFO?": "TESTINFO", blanks, the item's name up to
// the first "=", then its value. Read by hand rather than by a regular
// expression: the controller may send lines of hundreds of kilobytes, and a
// backtracking matcher recurses once per character.
#include <optional>
#include <string>
#include <string_view>

struct TestInformationItem {
  std::string name;   // without surrounding blanks, never empty
  std::string value;  // without surrounding blanks; empty when the line has no "=" or nothing after it
};

// The item of the line (its line ends already removed), or nothing when the
// line is not a "TESTINFO" reply with a name.
std::optional<TestInformationItem> ParseTestInformationReply(std::string_view line);
