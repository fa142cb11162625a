#pragma once
// The optional start-up trace: when the file DDLOGGER.DAT exists in the trace
// directory, each start-up step appends one line "%2d:%02d:%02d.%03d text"
// (local time) to it and sends the text as a single record from
// "DDL_log_data" under the heading "DDLOG". Without the file nothing is
// written to disk.
#include <string>
#include <string_view>

class StartupTrace {
public:
  static constexpr const char* kFileName = "DDLOGGER.DAT";

  // $SWMATRIX_TRACE_DIR, else the directory of the log socket.
  static std::string DefaultDirectory();

  // Enables the trace when DDLOGGER.DAT exists in `directory`.
  void Configure(const std::string& directory);
  bool Enabled() const { return !path_.empty(); }
  const std::string& Path() const { return path_; }

  // One trace step from `source`.
  void Line(std::string_view source, std::string_view text) const;
  // The file line of a step: time stamp, a blank, the text, a line feed.
  static std::string FormatLine(int hour, int minute, int second, int millisecond, std::string_view text);

private:
  std::string path_;
};
