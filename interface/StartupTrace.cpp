#include "interface/StartupTrace.h"

#include <cstdio>

#include "logging/JournexEntry.h"
#include "logging/MailSlotSocket.h"
#include "platform/AppendFile.h"
#include "platform/ProcessInfo.h"

std::string StartupTrace::DefaultDirectory() {
  std::string directory = ProcessInfo::Environment("SWMATRIX_TRACE_DIR");
  if (!directory.empty()) return directory;
  const std::string socket = JournexEntry::MailSlotSocket::ConfiguredPath();
  const size_t slash = socket.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : socket.substr(0, slash);
}

void StartupTrace::Configure(const std::string& directory) {
  const std::string path = directory + "/" + kFileName;
  path_ = AppendFile::Exists(path) ? path : std::string();
}

std::string StartupTrace::FormatLine(int hour, int minute, int second, int millisecond, std::string_view text) {
  char stamp[32];
  std::snprintf(stamp, sizeof stamp, "%2d:%02d:%02d.%03d ", hour, minute, second, millisecond);
  std::string line(stamp);
  line.append(text);
  line += '\n';
  return line;
}

void StartupTrace::Line(std::string_view source, std::string_view text) const {
  if (!Enabled()) return;
  const ProcessInfo::TimeOfDay now = ProcessInfo::LocalTimeNow();
  AppendFile::Append(path_, FormatLine(now.hour, now.minute, now.second, now.millisecond, text));
  JournexEntry::Note("DDL_log_data", source, "Note", {}, {{"DDLOG Description", text}}, "DDLOG");
}
