#pragma once
// Builds the text of one log record: the header fields, then the content of
// categories and named values, all separated by ";". docs/log-format.md
// describes the format; this class is its only writer.
#include <cstdint>
#include <string>
#include <string_view>

#include "logging/LogValue.h"

class LogRecordWriter {
public:
  enum class Kind { Begin, End, Single };

  static constexpr std::string_view kGeneral = "!general";
  static constexpr std::string_view kInput = "!input";
  static constexpr std::string_view kOutput = "!output";

  // Starts a record in `out` (cleared first). `scope` is the identity of the
  // call-log scope of a begin or end record; a single record has none.
  LogRecordWriter(std::string& out, Kind kind, const void* scope, std::string_view function,
                  std::string_view module, std::string_view type);

  // A category field: one of the three standard ones, or a heading of the
  // caller's own (such as "DDLOG") that is preceded by the default category.
  void Category(std::string_view category);
  // The human-readable text of the record, as the value named "description".
  void Description(std::string_view text);
  void Value(const LogValue& value);
  // Writes the default category when nothing was written yet; call last.
  const std::string& Finish();

  // The content of a call: category, description (when not empty), values.
  template <class Values>
  const std::string& Content(std::string_view category, std::string_view description, const Values& values) {
    if (!category.empty()) Category(category);
    if (!description.empty()) Description(description);
    for (const LogValue& value : values) Value(value);
    return Finish();
  }

  static bool IsStandardCategory(std::string_view field);

  // The last values of every record the module sends: the process ID (only
  // for records whose header has none; pass 0 otherwise) and the record's
  // number in the process's sequence, by which a reader sees lost records.
  static constexpr std::string_view kProcessName = "#pid";
  static constexpr std::string_view kSequenceName = "#seq";
  static void AppendSequence(std::string& record, uint32_t pid, uint64_t sequence);

  // Encodings of single values and fields (see docs/log-format.md).
  static void AppendInteger(std::string& out, int64_t value);
  static void AppendUnsigned(std::string& out, uint64_t value);
  static void AppendReal(std::string& out, double value);
  static void AppendBoolean(std::string& out, bool value);
  static void AppendText(std::string& out, std::string_view text);
  // A name, function, module or type field: UTF-8, ";" replaced by "*".
  static void AppendName(std::string& out, std::string_view name);
  // Appends `text` as valid UTF-8: bytes that do not form UTF-8 are taken as Latin-1.
  static void AppendUtf8(std::string& out, std::string_view text);
  // Closes up a sign followed by blanks before a number ("- 5" becomes "-5"),
  // the replacement of ([+-])([ ]*)([1-9.,eE+-]+) by \1\3.
  static std::string CloseUpSigns(std::string_view number);

private:
  void Separator() { out_ += ';'; }
  void EnsureCategory();

  std::string& out_;
  Kind kind_;
  bool contentStarted_ = false;
};
