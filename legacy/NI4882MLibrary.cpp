#include "legacy/NI4882MLibrary.h"

#include <cctype>
#include <cerrno>
#include <optional>

#include "legacy/GPIBStatus.h"
#include "legacy/SystemErrorStatus.h"
#include "logging/JournexEntry.h"
#include "platform/RegistryKey.h"
#include "platform/SharedLibrary.h"

namespace {
constexpr std::string_view kModule = "NI4882MLibrary";
constexpr const char* kDefaultLibrary = "libgpib.so.0";
constexpr const char* kLocalMachine = "HKEY_LOCAL_MACHINE";
constexpr uint32_t kLowestMajorVersion = 15;

void Note(std::string_view function, std::string_view type, std::string_view text,
          JournexEntry::Values values = {}) {
  JournexEntry::Note(function, kModule, type, text, values);
}

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

// "Agilent488Enabled" of one vendor's IO libraries key: set and not "False".
bool Agilent488Enabled(const std::string& vendor) {
  RegistryKey key;
  if (!key.Open(kLocalMachine, RegistryKey::Join({"Software", vendor, "IO Libraries", "CurrentVersion"})))
    return false;
  const std::optional<std::string> value = key.ReadString("Agilent488Enabled");
  return value && Lower(*value) != "false";
}

template <class F>
void Take(const std::function<void*(const char*)>& lookup, const char* name, F*& function) {
  function = reinterpret_cast<F*>(lookup(name));
}
}  // namespace

bool NI4882MLibrary::IsOptional(const std::string& name) { return name == "ibnotify" || name == "iblck"; }

std::string NI4882MLibrary::LibraryName() {
  return SharedLibrary::Choose("SWMATRIX_GPIB_LIBRARY", kDefaultLibrary);
}

bool NI4882MLibrary::HasAgilent488EnabledMode() {
  // The IO layer was sold under two vendor names; either key switches the mode
  // on, unless the National Instruments key says its own library is the one
  // in use (NI488Enabled set to something other than "False").
  if (!Agilent488Enabled("Agilent") && !Agilent488Enabled("Keysight")) return false;
  RegistryKey ni;
  if (ni.Open(kLocalMachine, RegistryKey::Join({"Software", "National Instruments", "NI-488.2M", "CurrentVersion"}))) {
    const std::optional<std::string> preferred = ni.ReadString("NI488Enabled");
    if (preferred && Lower(*preferred) != "false") return false;
  }
  return true;
}

Status NI4882MLibrary::CheckNI4882MVersion() {
  if (HasAgilent488EnabledMode()) {
    Note("CheckNI4882MVersion", "Note", "CheckNI4882MVersion. Agilent IO is used.");
    return 0;
  }
  Note("CheckNI4882MVersion", "Note", "Not in Agilent GPIB mode, using National Instruments GPIB instead.");
  RegistryKey key;
  if (!key.Open(kLocalMachine, RegistryKey::Join({"Software", "National Instruments", "NI-488.2M", "CurrentVersion"}))) {
    Note("CheckNI4882MVersion", "Warning",
         "NI key not found. National Instruments is probably not installed. Software may continue with "
         "Agilent IO software.");
    return 0;
  }
  const uint32_t major = key.ReadDword("MajorVersion").value_or(0);
  const uint32_t minor = key.ReadDword("MinorVersion").value_or(0);
  const std::string current = key.ReadString("CurrentVersion").value_or("");
  if (major >= kLowestMajorVersion) {
    Note("CheckNI4882MVersion", "Note", "CheckNI4882MVersion",
         {{"MajorVersion", major}, {"MinorVersion", minor}, {"CurrentVersion", current}});
    return 0;
  }
  const Status status = major <= 2 ? gpibstatus::kVersionTooOld : gpibstatus::kVersionTooLow;
  Note("CheckNI4882MVersion", "Error", "The version of the Used NI 488.2M library is too low",
       {{"MajorVersion", major}, {"MinorVersion", minor}, {"CurrentVersion", current}, {"Err", status}});
  return status;
}

Status NI4882MLibrary::ResolveFunctions(const std::function<void*(const char*)>& lookup,
                                        Functions* f, std::vector<std::string>* skipped,
                                        std::string* missing) {
  *f = Functions{};
  skipped->clear();
  missing->clear();
  Take(lookup, "ThreadIbsta", f->ThreadIbsta);
  Take(lookup, "ThreadIberr", f->ThreadIberr);
  Take(lookup, "ThreadIbcntl", f->ThreadIbcntl);
  Take(lookup, "ibcac", f->ibcac);
  Take(lookup, "ibclr", f->ibclr);
  Take(lookup, "ibdev", f->ibdev);
  Take(lookup, "ibfindW", f->ibfindW);
  if (!f->ibfindW) Take(lookup, "ibfind", f->ibfind);
  Take(lookup, "ibloc", f->ibloc);
  Take(lookup, "ibonl", f->ibonl);
  Take(lookup, "ibrd", f->ibrd);
  Take(lookup, "ibsic", f->ibsic);
  Take(lookup, "ibwrt", f->ibwrt);
  Take(lookup, "ibsre", f->ibsre);
  Take(lookup, "ibrsp", f->ibrsp);
  Take(lookup, "ibcmd", f->ibcmd);
  Take(lookup, "ibpct", f->ibpct);
  Take(lookup, "ibwait", f->ibwait);
  Take(lookup, "ibrsv", f->ibrsv);
  Take(lookup, "ibrsc", f->ibrsc);
  Take(lookup, "ibtmo", f->ibtmo);
  Take(lookup, "ibconfig", f->ibconfig);
  Take(lookup, "ibask", f->ibask);
  Take(lookup, "ibtrg", f->ibtrg);
  Take(lookup, "ibnotify", f->ibnotify);
  Take(lookup, "iblines", f->iblines);
  Take(lookup, "iblck", f->iblck);

  const std::pair<const char*, bool> present[] = {
      {"ThreadIbsta", f->ThreadIbsta != nullptr}, {"ThreadIberr", f->ThreadIberr != nullptr},
      {"ThreadIbcntl", f->ThreadIbcntl != nullptr}, {"ibcac", f->ibcac != nullptr}, {"ibclr", f->ibclr != nullptr},
      {"ibdev", f->ibdev != nullptr}, {"ibfindW", f->ibfindW || f->ibfind}, {"ibloc", f->ibloc != nullptr},
      {"ibonl", f->ibonl != nullptr}, {"ibrd", f->ibrd != nullptr}, {"ibsic", f->ibsic != nullptr}, {"ibwrt", f->ibwrt != nullptr},
      {"ibsre", f->ibsre != nullptr}, {"ibrsp", f->ibrsp != nullptr}, {"ibcmd", f->ibcmd != nullptr}, {"ibpct", f->ibpct != nullptr},
      {"ibwait", f->ibwait != nullptr}, {"ibrsv", f->ibrsv != nullptr}, {"ibrsc", f->ibrsc != nullptr}, {"ibtmo", f->ibtmo != nullptr},
      {"ibconfig", f->ibconfig != nullptr}, {"ibask", f->ibask != nullptr}, {"ibtrg", f->ibtrg != nullptr},
      {"ibnotify", f->ibnotify != nullptr}, {"iblines", f->iblines != nullptr}, {"iblck", f->iblck != nullptr}};
  for (const auto& [name, found] : present) {
    if (found) continue;
    if (IsOptional(name)) {
      skipped->push_back(name);
      Note("LoadNI4882MLibrary", "Warning",
           std::string(name) + " could not be found in " + LibraryName() + "; its step is skipped");
      continue;
    }
    *missing = name;
    const Status status = systemerror::ToStatus(ENOSYS);
    Note("LoadNI4882MLibrary", "Error", std::string(name) + " could not be found in " + LibraryName(),
         {{"Err", status}});
    *f = Functions{};
    return status;
  }
  return 0;
}

Status NI4882MLibrary::Load() {
  if (loaded_) return 0;
  if (const Status status = CheckNI4882MVersion()) return status;
  const std::string name = LibraryName();
  std::string error;
  void* handle = SharedLibrary::Open(name, &error);
  if (!handle) {
    loadFailure_ = error;
    Note("LoadNI4882MLibrary", "Error", name + " could not be loaded",
         {{"reason", error}, {"Err", gpibstatus::kLibraryNotLoaded}});
    return gpibstatus::kLibraryNotLoaded;
  }
  std::string missing;
  const Status status = ResolveFunctions([handle](const char* symbol) { return SharedLibrary::Find(handle, symbol); },
                                         &functions_, &skipped_, &missing);
  if (status) {
    loadFailure_ = missing + " is missing";
    return status;
  }
  loadFailure_.clear();
  loaded_ = true;
  Note("LoadNI4882MLibrary", "Note", "LoadNI4882MLibrary(\"Loaded\")", {{"library", name}});
  return 0;
}
