#pragma once
// The call-log scope: one per logged call, on the stack. Writes the begin and
// end records of the call (and single records) to the log channel. Logging
// never fails the caller and never blocks; with no reader, records are dropped.
// docs/log-format.md describes the records.
#include <initializer_list>
#include <string>
#include <string_view>

#include "logging/LogValue.h"

class JournexEntry {
public:
  using Values = std::initializer_list<LogValue>;
  class MailSlotSocket;  // the process-wide log channel (logging/MailSlotSocket.h)

  // Category words of the record content.
  static constexpr std::string_view kGeneral = "!general";
  static constexpr std::string_view kInput = "!input";
  static constexpr std::string_view kOutput = "!output";

  JournexEntry(std::string_view function, std::string_view module);
  ~JournexEntry();
  JournexEntry(const JournexEntry&) = delete;
  JournexEntry& operator=(const JournexEntry&) = delete;

  // True when a reader may be listening; callers may skip building texts otherwise.
  static bool Enabled();

  // "!logb" record: type (e.g. "Note"), description, named values under the category.
  void LogBegin(std::string_view type, std::string_view description, Values values = {},
                std::string_view category = kInput);
  // "!loge" record: type ("Complete", "Error", ...), optional description and values.
  void LogEnd(std::string_view type, std::string_view description = {}, Values values = {},
              std::string_view category = kOutput);
  // "!logn" record with this scope's function and module.
  void Log(std::string_view type, std::string_view description, Values values = {},
           std::string_view category = kGeneral);

  // A single "!logn" record without a scope. A category other than the three
  // above is written as a heading after "!general".
  static void Note(std::string_view function, std::string_view module, std::string_view type,
                   std::string_view description, Values values = {},
                   std::string_view category = kGeneral);

  bool Begun() const { return begun_; }
  const std::string& Function() const { return function_; }
  const std::string& Module() const { return module_; }

private:
  enum class Misuse { BeginTwice, EndWithoutBegin, EndTwice };
  void ReportMisuse(Misuse misuse, std::string_view type, std::string_view description, Values values,
                    std::string_view category);

  bool begun_ = false;
  int endCount_ = 0;
  int beginCount_ = 0;
  std::string function_;
  std::string module_;
};
