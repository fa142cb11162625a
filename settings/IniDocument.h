#pragma once
// An INI file held in memory, line by line, so that writing one value keeps
// everything else byte for byte: comments (";" or "#"), blank lines, other
// programs' sections and keys, the line endings (LF or CRLF, per line) and a
// UTF-8 byte order mark.
//
// Section and key names compare case-insensitively (Unicode) and ignore
// surrounding blanks; the first section of a name and the first key of a name
// within it win. Values are read without surrounding blanks and without one
// pair of enclosing quotes ('...' or "..."). A value is written so that it
// reads back as it was set: one with blanks at either end, or enclosed in
// quotes of its own, is written within double quotes.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

class IniDocument {
public:
  IniDocument() = default;
  // Parses any bytes; nothing is rejected, lines that are neither a section,
  // a key, a comment nor blank are kept and otherwise ignored.
  explicit IniDocument(std::string_view text);

  // The value of key in section, or nothing when either is missing. The view
  // stays valid until the next Set.
  std::optional<std::string_view> Find(std::string_view section, std::string_view key) const;

  // Sets the value, replacing the first line of the key, else adding a line
  // after the last key of the section, else adding the section at the end.
  // Find gives the value exactly as set, also after parsing Text() again.
  // Line breaks in a section name become blanks. Returns false, changing
  // nothing, when Unstorable names a reason.
  bool Set(std::string_view section, std::string_view key, std::string_view value);

  // Why the key and value cannot be written so that they read back, or
  // nothing when they can: a key that is empty, contains "=" or a line
  // break, or starts with "[", ";" or "#"; a value with a line break (CR or
  // LF), which would end its line.
  static std::optional<std::string> Unstorable(std::string_view key, std::string_view value);

  // The file text: the parsed bytes exactly, plus the changes.
  std::string Text() const;

  // Section names as spelled in the file, in file order (repeats included).
  std::vector<std::string> SectionNames() const;
  // Key names of the first section of that name, as spelled, in file order.
  std::vector<std::string> KeyNames(std::string_view section) const;

  // Case-insensitive comparison form of a name: on one line, trimmed, lower-cased.
  static std::string Fold(std::string_view name);

private:
  enum class Ending : uint8_t { None, LF, CRLF };
  struct Line {
    std::string text;
    Ending ending = Ending::None;
  };
  struct Block {
    std::vector<Line> lines;  // a section's header is lines[0]; the block before the first header has none
    bool isSection = false;
    std::unordered_map<std::string, size_t> keys;  // folded key -> first line with it
    size_t lastKeyLine = 0;                        // last key line, or the header
  };

  void AddLine(std::string_view text, Ending ending);
  void AppendLine(std::string text);
  const Block* FindSection(std::string_view section) const;

  bool byteOrderMark_ = false;
  Ending newline_ = Ending::LF;  // the ending of the first line, used for new lines
  bool sawNewline_ = false;
  std::vector<Block> blocks_;
  std::unordered_map<std::string, size_t> sections_;  // folded name -> first block of it
  // The last section looked up, as asked for: reads come in runs of one section.
  mutable std::string lastSection_;
  mutable size_t lastBlock_ = SIZE_MAX;
};
