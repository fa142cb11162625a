#include "legacy/VisaLibrary.h"

#include <vector>

#include "logging/JournexEntry.h"
#include "platform/SharedLibrary.h"

namespace {
constexpr std::string_view kModule = "VisaLibrary";

template <class F>
bool Take(void* handle, const char* name, F*& function, std::string& missing) {
  function = reinterpret_cast<F*>(SharedLibrary::Find(handle, name));
  if (function) return true;
  missing += (missing.empty() ? "" : ", ") + std::string(name);
  JournexEntry::Note("LoadVisaDLL", kModule, "Error", std::string(name) + " could not be found in VISA32.DLL");
  return false;
}

// A call the module never makes: its absence is noted, and the library serves all the same.
template <class F>
void TakeOptional(void* handle, const char* name, F*& function, std::string& absent) {
  function = reinterpret_cast<F*>(SharedLibrary::Find(handle, name));
  if (function) return;
  absent += (absent.empty() ? "" : ", ") + std::string(name);
  JournexEntry::Note("LoadVisaDLL", kModule, "Warning",
                     std::string(name) + " could not be found in VISA32.DLL (not needed)");
}
}  // namespace

std::vector<std::string> VisaLibrary::LibraryNames() {
  const std::string chosen = SharedLibrary::Choose("SWMATRIX_VISA_LIBRARY", "");
  if (!chosen.empty()) return {chosen};
  return {"libvisa.so.0", "libvisa.so", "librsvisa.so", "libktvisa32.so.0", "libktvisa32.so"};
}

Status VisaLibrary::Load() {
  if (loaded_) return 0;
  void* handle = nullptr;
  std::string tried;
  for (const std::string& name : LibraryNames()) {
    std::string error;
    handle = SharedLibrary::Open(name, &error);
    if (handle) {
      loadedName_ = name;
      break;
    }
    tried += (tried.empty() ? "" : "; ") + name + ": " + error;
  }
  if (!handle) {
    loadFailure_ = tried;
    JournexEntry::Note("LoadVisaDLL", kModule, "Error", "VISA32.DLL could not be loaded",
                       {{"tried", tried}, {"Err", DRV_ERR_VISA_NOT_FOUND}});
    return DRV_ERR_VISA_NOT_FOUND;
  }
  Functions& f = functions_;
  std::string missing, absent;
  bool complete = Take(handle, "viOpenDefaultRM", f.viOpenDefaultRM, missing);
  complete = Take(handle, "viOpen", f.viOpen, missing) && complete;
  complete = Take(handle, "viClose", f.viClose, missing) && complete;
  complete = Take(handle, "viWrite", f.viWrite, missing) && complete;
  complete = Take(handle, "viRead", f.viRead, missing) && complete;
  complete = Take(handle, "viGetAttribute", f.viGetAttribute, missing) && complete;
  complete = Take(handle, "viSetAttribute", f.viSetAttribute, missing) && complete;
  complete = Take(handle, "viClear", f.viClear, missing) && complete;
  TakeOptional(handle, "viSetBuf", f.viSetBuf, absent);
  complete = Take(handle, "viStatusDesc", f.viStatusDesc, missing) && complete;
  complete = Take(handle, "viFlush", f.viFlush, missing) && complete;
  TakeOptional(handle, "viDisableEvent", f.viDisableEvent, absent);
  TakeOptional(handle, "viDiscardEvents", f.viDiscardEvents, absent);
  TakeOptional(handle, "viWaitOnEvent", f.viWaitOnEvent, absent);
  TakeOptional(handle, "viLock", f.viLock, absent);
  TakeOptional(handle, "viUnlock", f.viUnlock, absent);
  if (!complete) {
    functions_ = Functions{};
    loadFailure_ =
        loadedName_ + ": " + missing + (missing.find(',') == std::string::npos ? " is missing" : " are missing");
    JournexEntry::Note("LoadVisaDLL", kModule, "Error", "LoadVisaDLL(\"Failed\")", {{"Err", DRV_ERR_VISA_NOT_FOUND}});
    return DRV_ERR_VISA_NOT_FOUND;
  }
  loadFailure_.clear();
  loaded_ = true;
  JournexEntry::Note("LoadVisaDLL", kModule, "Note", "LoadVisaDLL(\"Loaded\")",
                     {{"library", loadedName_}, {"absent", absent}});
  return 0;
}

std::string VisaLibrary::FixedText(uint32_t status) {
  switch (static_cast<visa::ViStatus>(status)) {
    case visa::kErrorResourceNotFound:
      return "Insufficient location information or the device or resource is not present in the system.";
    case visa::kErrorTimeout: return "Timeout expired before operation completed.";
    case visa::kErrorInputProtocolViolation: return "Device reported an input protocol error during transfer.";
    case visa::kErrorInvalidMask: return "Invalid buffer mask specified.";
    case visa::kErrorUnsupportedAttribute: return "Not supported attribute.";
    case visa::kErrorMachineNotAvailable: return "Machine not available";
    default: return {};
  }
}

std::string VisaLibrary::StatusText(visa::ViSession session, uint32_t status) const {
  std::string text = FixedText(status);
  if (!text.empty() || !loaded_ || !functions_.viStatusDesc) return text;
  // The description buffer of the VISA standard holds 256 characters.
  std::vector<char> description(512, '\0');
  functions_.viStatusDesc(session, static_cast<visa::ViStatus>(status), description.data());
  description.back() = '\0';
  return description.data();
}
