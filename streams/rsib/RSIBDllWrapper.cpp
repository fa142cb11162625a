#include "streams/rsib/RSIBDllWrapper.h"

#include "logging/JournexEntry.h"
#include "platform/SharedLibrary.h"
#include "streams/rsib/RSIBStatus.h"

namespace {
constexpr std::string_view kModule = "RSIBDllWrapper";

template <class F>
bool Take(void* handle, const char* name, F*& function) {
  function = reinterpret_cast<F*>(SharedLibrary::Find(handle, name));
  if (function) return true;
  JournexEntry::Note("LoadRSIBDLL", kModule, "Error", std::string(name) + " could not be found in the RSIB library",
                     {{"library", RSIBDllWrapper::LibraryName()}});
  return false;
}
}  // namespace

std::shared_ptr<RSIBDllWrapper> RSIBDllWrapper::Shared() {
  static const std::shared_ptr<RSIBDllWrapper> wrapper = std::make_shared<RSIBDllWrapper>();
  return wrapper;
}

std::string RSIBDllWrapper::LibraryName() { return SharedLibrary::Choose("SWMATRIX_RSIB_LIBRARY", "librsib.so"); }

bool RSIBDllWrapper::IsLoaded() const {
  std::lock_guard guard(lock_);
  return loaded_;
}

Status RSIBDllWrapper::Load() {
  std::lock_guard guard(lock_);
  const std::string name = LibraryName();
  if (loaded_ && loadedName_ == name) return 0;
  loaded_ = false;
  functions_ = Functions{};
  std::string error;
  void* handle = SharedLibrary::Open(name, &error);
  if (!handle) {
    JournexEntry::Note("LoadRSIBDLL", kModule, "Error", "The RSIB library could not be loaded",
                       {{"library", name}, {"reason", error}, {"Err", rsibstatus::kLibraryNotLoaded}});
    return rsibstatus::kLibraryNotLoaded;
  }
  Functions f;
  bool complete = Take(handle, "RSDLLibfind", f.RSDLLibfind);
  complete = Take(handle, "RSDLLibwrt", f.RSDLLibwrt) && complete;
  complete = Take(handle, "RSDLLibrd", f.RSDLLibrd) && complete;
  complete = Take(handle, "RSDLLTestSrq", f.RSDLLTestSrq) && complete;
  complete = Take(handle, "RSDLLWaitSrq", f.RSDLLWaitSrq) && complete;
  complete = Take(handle, "RSDLLibtmo", f.RSDLLibtmo) && complete;
  complete = Take(handle, "RSDLLibsre", f.RSDLLibsre) && complete;
  complete = Take(handle, "RSDLLibloc", f.RSDLLibloc) && complete;
  complete = Take(handle, "RSDLLibeot", f.RSDLLibeot) && complete;
  complete = Take(handle, "RSDLLibonl", f.RSDLLibonl) && complete;
  complete = Take(handle, "RSDLLibclr", f.RSDLLibclr) && complete;
  complete = Take(handle, "RSDLLibrsp", f.RSDLLibrsp) && complete;
  if (!complete) {
    JournexEntry::Note("LoadRSIBDLL", kModule, "Error", "LoadRSIBDLL(\"Failed\")",
                       {{"library", name}, {"Err", rsibstatus::kLibraryNotLoaded}});
    return rsibstatus::kLibraryNotLoaded;
  }
  functions_ = f;
  loaded_ = true;
  loadedName_ = name;
  JournexEntry::Note("LoadRSIBDLL", kModule, "Note", "LoadRSIBDLL(\"Loaded\")", {{"library", name}});
  return 0;
}
