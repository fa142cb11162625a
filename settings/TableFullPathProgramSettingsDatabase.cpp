#include "settings/TableFullPathProgramSettingsDatabase.h"

#include "settings/NarrowText.h"

void TableFullPathProgramSettingsDatabase::PushTable(const std::string& name) {
  if (!IsOpen()) return;
  const wxString table = WideFromNarrow(name);
  if (!fullPath_.empty()) fullPath_ += '.';
  fullPath_ += table;
  fullPathUtf8_ = NarrowFromWide(fullPath_);
  Tables().push_back(table);
}

void TableFullPathProgramSettingsDatabase::PopTable() {
  if (!IsOpen() || Tables().empty()) return;
  const size_t at = fullPath_.rfind(Tables().back());
  if (at != wxString::npos) fullPath_.erase(at);
  if (!fullPath_.empty() && fullPath_.Last() == '.') fullPath_.RemoveLast();
  fullPathUtf8_ = NarrowFromWide(fullPath_);
  Tables().pop_back();
}
