#pragma once
// A store that names each table by the dotted path of all open tables
// (outermost first), so that nested tables get distinct sections: pushing
// "Common" then "Stream" addresses "Common.Stream".
#include "settings/ProgramSettingsDatabase.h"

class TableFullPathProgramSettingsDatabase : public ProgramSettingsDatabase {
public:
  using ProgramSettingsDatabase::ProgramSettingsDatabase;

  // Both do nothing while the store is closed.
  void PushTable(const std::string& name) override;
  void PopTable() override;

  // The section of every read and write at this moment; empty with no table open.
  const wxString& FullTablePath() const { return fullPath_; }
  // The same in UTF-8, kept alongside for stores that work on narrow text.
  const std::string& FullTablePathUtf8() const { return fullPathUtf8_; }

private:
  wxString fullPath_;
  std::string fullPathUtf8_;
};
