// Cutting byte streams into commands, and the text forms of wire bytes.
#include <gtest/gtest.h>

#include "sim/core/CommandFramer.h"
#include "sim/core/WireText.h"

namespace {

using Commands = std::vector<std::string>;

TEST(CommandFramer, TerminatorsSplitAcrossChunks) {
  sim::CommandFramer framer;
  EXPECT_EQ(framer.Feed("*IDN?\r", sim::Terminator::kCrLf), Commands{});
  EXPECT_EQ(framer.Feed("\nA\r\nB", sim::Terminator::kCrLf), (Commands{"*IDN?", "A"}));
  EXPECT_EQ(framer.Pending(), "B");
  EXPECT_EQ(framer.Feed("\r", sim::Terminator::kCrLf), Commands{});
  EXPECT_EQ(framer.Feed("\n\r\n", sim::Terminator::kCrLf), (Commands{"B", ""}));
  EXPECT_EQ(framer.Pending(), "");

  sim::CommandFramer lines;
  EXPECT_EQ(lines.Feed("a\nb\rc\n", sim::Terminator::kLf), (Commands{"a", "b\rc"}));
  EXPECT_EQ(lines.Feed("x", sim::Terminator::kCr), Commands{});
  EXPECT_EQ(lines.Feed("\r", sim::Terminator::kCr), Commands{"x"});

  sim::CommandFramer raw;
  EXPECT_EQ(raw.Feed("a\nb", sim::Terminator::kNone), Commands{"a\nb"});
  EXPECT_EQ(raw.Feed("", sim::Terminator::kNone), Commands{});
}

TEST(CommandFramer, WholeMessagesKeepTheirLastPiece) {
  EXPECT_EQ(sim::CommandFramer::SplitMessage("a\nb", sim::Terminator::kLf), (Commands{"a", "b"}));
  EXPECT_EQ(sim::CommandFramer::SplitMessage("a\n", sim::Terminator::kLf), Commands{"a"});
  EXPECT_EQ(sim::CommandFramer::SplitMessage("", sim::Terminator::kLf), Commands{});
  EXPECT_EQ(sim::CommandFramer::SplitMessage("a\r\n", sim::Terminator::kNone), Commands{"a\r\n"});
}

TEST(WireText, BytesSurviveTheJsonForm) {
  std::string all;
  for (int byte = 0; byte < 256; ++byte) all.push_back(static_cast<char>(byte));
  const std::string text = sim::BytesToUtf8(all);
  EXPECT_EQ(text.size(), 128u + 2 * 128u);
  EXPECT_EQ(sim::Utf8ToBytes(text), all);
  EXPECT_EQ(sim::Utf8ToBytes("\xE2\x82\xAC"), std::nullopt);  // U+20AC is above one byte
  EXPECT_EQ(sim::Utf8ToBytes("\xC3"), std::nullopt);
}

TEST(WireText, EscapesForPeopleAndFromConfiguration) {
  EXPECT_EQ(sim::EscapeBytes(std::string("A\r\n\t\\\x01\xff", 7)), "A\\r\\n\\t\\\\x01\\xFF");
  const struct {
    const char* text;
    const char* bytes;  // nullptr: refused
    const char* error;
  } cases[] = {
      {"plain", "plain", ""},
      {"a\\nb\\rc\\td", "a\nb\rc\td", ""},
      {"\\x41\\x7e", "A~", ""},
      {"back\\\\slash", "back\\slash", ""},
      {"\\x4", nullptr, "two hex digits"},
      {"\\xZZ", nullptr, "two hex digits"},
      {"\\q", nullptr, "unknown escape \\q"},
      {"end\\", nullptr, "a backslash ends the text"},
  };
  for (const auto& each : cases) {
    std::string error;
    const std::optional<std::string> bytes = sim::UnescapeText(each.text, &error);
    if (each.bytes) {
      EXPECT_EQ(bytes, std::string(each.bytes)) << each.text;
    } else {
      EXPECT_EQ(bytes, std::nullopt) << each.text;
      EXPECT_NE(error.find(each.error), std::string::npos) << each.text << ": " << error;
    }
  }
  std::string error;
  EXPECT_EQ(sim::UnescapeText("\\0", &error), std::string(1, '\0'));
}

}  // namespace
