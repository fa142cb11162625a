#include "logging/wxLogJournex.h"

#include <gtest/gtest.h>
#include <wx/init.h>
#include <wx/thread.h>

#include "LogReceiver.h"

TEST(wxLogJournex, MapsLevelsToTypesAndTexts) {
  struct Case {
    wxLogLevel level;
    const char* type;
    const char* text;
  };
  // Errors, warnings and messages: SendsEveryMessageOfTheRuntimeAsASingleRecord.
  const Case cases[] = {{wxLOG_FatalError, "Error", "Error: m"}, {wxLOG_Info, "Note", "m"}, {wxLOG_Debug, "Note", "m"}};
  for (const Case& c : cases) {
    EXPECT_STREQ(wxLogJournex::TypeOf(c.level), c.type) << c.level;
    EXPECT_EQ(wxLogJournex::TextOf(c.level, "m"), c.text) << c.level;
  }
}

TEST(wxLogJournex, SendsEveryMessageOfTheRuntimeAsASingleRecord) {
  wxInitializer runtime;
  ASSERT_TRUE(runtime.IsOk());
  LogReceiver log;
  wxLog* const previous = wxLog::SetActiveTarget(wxLogJournex::Shared());
  wxLogError("disk %d is full", 3);
  const int errorLine = __LINE__ - 1;
  wxLogWarning("a warning; with separator");
  wxLogMessage("plain");
  wxLog::SetActiveTarget(previous);

  const auto records = log.Take(3);
  ASSERT_EQ(records.size(), 3u);
  const auto error = SingleRecord(records[0]);
  EXPECT_EQ(error[0], "!logn");
  EXPECT_EQ(error[3] + "|" + error[4] + "|" + error[5], "wxLogJournex|wxWidgets|Error");
  const std::string file = __FILE__;
  const std::string function = __func__;
  const std::string thread = std::to_string(static_cast<unsigned long>(wxThread::GetCurrentId()));
  EXPECT_EQ(error[6], "!input;description;" + Text("Error: disk 3 is full") + ";Level;i1;filename;" + Text(file) +
                          ";line number;i" + std::to_string(errorLine) + ";function;" + Text(function) +
                          ";thread;i" + thread);
  const auto warning = SingleRecord(records[1]);
  EXPECT_EQ(warning[5], "Warning");
  EXPECT_EQ(warning[6].substr(0, 63), "!input;description;" + Text("Warning: a warning; with separator") + ";Level");
  const auto message = SingleRecord(records[2]);
  EXPECT_EQ(message[5], "Note");
  EXPECT_EQ(message[6].substr(0, 39), "!input;description;" + Text("plain") + ";Level;i3;fi");
}
