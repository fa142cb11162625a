#pragma once
// A wxWidgets log target that sends every wxWidgets log message to the log
// channel as a single record from function "wxLogJournex", module "wxWidgets".
#include <wx/log.h>

class wxLogJournex : public wxLog {
public:
  // The one instance shared by the application and every secondary thread.
  static wxLogJournex* Shared();

  // The record type and text of a message of the given level.
  static const char* TypeOf(wxLogLevel level);
  static wxString TextOf(wxLogLevel level, const wxString& message);

protected:
  void DoLogRecord(wxLogLevel level, const wxString& message, const wxLogRecordInfo& info) override;
};
