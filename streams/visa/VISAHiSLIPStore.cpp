#include "streams/visa/VISAHiSLIPStore.h"

#include "legacy/VisaTypes.h"
#include "logging/JournexEntry.h"
#include "platform/FileAccess.h"
#include "platform/ProcessInfo.h"
#include "settings/ProgramSettingsDatabase.h"

namespace {
// The user's folder for the file (created private when missing), or "".
std::string Folder() {
  std::string base = ProcessInfo::Environment("XDG_CACHE_HOME");
  if (base.empty() && !ProcessInfo::Environment("HOME").empty()) base = ProcessInfo::Environment("HOME") + "/.cache";
  if (base.empty()) base = ProcessInfo::Environment("XDG_RUNTIME_DIR");
  if (base.empty() || base.front() != '/') return "";
  const std::string folder = base + "/swmatrix";
  std::string error;
  if (MakePrivateDirectory(folder, &error)) return folder;
  JournexEntry::Note("VISAHiSLIPStore", "VISADeviceStream", "Warning", error);
  return "";
}
}  // namespace

std::string VISAHiSLIPStore::Path() {
  const std::string folder = Folder();
  return folder.empty() ? "" : folder + "/" + kFileName;
}

bool VISAHiSLIPStore::MayTry(const std::string& identifier) {
  const std::string path = Path();
  if (path.empty()) return true;
  SettingsStore store = CreateINIProgramSettingsDatabase(path);
  store->Open();  // tables are entered only while the store is open
  store->PushTable(kTable);
  const bool mayTry = store->Read(identifier, true);
  store->PopTable();
  store->Close();
  return mayTry;
}

bool VISAHiSLIPStore::IsRefusal(uint32_t status) {
  return status == static_cast<uint32_t>(visa::kErrorResourceNotFound) ||
         status == static_cast<uint32_t>(visa::kErrorInvalidResourceName);
}

void VISAHiSLIPStore::RememberRefused(const std::string& identifier) {
  const std::string path = Path();
  if (path.empty()) return;
  SettingsStore store = CreateINIProgramSettingsDatabase(path);
  store->Open();
  store->PushTable(kTable);
  store->Write(identifier, false);
  store->PopTable();
  store->Close();
}
