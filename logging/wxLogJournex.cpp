#include "logging/wxLogJournex.h"

#include "logging/JournexEntry.h"

wxLogJournex* wxLogJournex::Shared() {
  // Never destroyed: wxWidgets may still hold it as a thread's target at exit.
  static wxLogJournex* shared = new wxLogJournex;
  return shared;
}

const char* wxLogJournex::TypeOf(wxLogLevel level) {
  if (level < wxLOG_Warning) return "Error";
  if (level == wxLOG_Warning) return "Warning";
  return "Note";
}

wxString wxLogJournex::TextOf(wxLogLevel level, const wxString& message) {
  if (level < wxLOG_Warning) return "Error: " + message;
  if (level == wxLOG_Warning) return "Warning: " + message;
  return message;
}

void wxLogJournex::DoLogRecord(wxLogLevel level, const wxString& message, const wxLogRecordInfo& info) {
  if (!JournexEntry::Enabled()) return;
  const std::string text = TextOf(level, message).utf8_string();
  JournexEntry::Note("wxLogJournex", "wxWidgets", TypeOf(level), text,
                     {{"Level", static_cast<unsigned long>(level)},
                      {"filename", info.filename ? info.filename : ""},
                      {"line number", info.line},
                      {"function", info.func ? info.func : ""},
                      {"thread", static_cast<unsigned long>(info.threadId)}},
                     JournexEntry::kInput);
}
