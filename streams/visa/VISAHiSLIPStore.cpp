#include "streams/visa/VISAHiSLIPStore.h"

#include <wx/filename.h>

#include "settings/ProgramSettingsDatabase.h"

std::string VISAHiSLIPStore::Path() {
  return (wxFileName::GetTempDir() + wxFileName::GetPathSeparator() + kFileName).utf8_string();
}

bool VISAHiSLIPStore::MayTry(const std::string& identifier) {
  SettingsStore store = CreateINIProgramSettingsDatabase(Path());
  store->PushTable(kTable);
  const bool mayTry = store->Read(identifier, true);
  store->PopTable();
  return mayTry;
}

void VISAHiSLIPStore::Remember(const std::string& identifier, bool opened) {
  SettingsStore store = CreateINIProgramSettingsDatabase(Path());
  store->Open();
  store->PushTable(kTable);
  store->Write(identifier, opened);
  store->PopTable();
  store->Close();
}
