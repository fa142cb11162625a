#include "streams/ftdi/FTD2xxLibrary.h"

#include "logging/JournexEntry.h"
#include "platform/SharedLibrary.h"
#include "streams/ftdi/FTD2xxStatus.h"

namespace {
constexpr std::string_view kModule = "FTDI";

template <class F>
bool Take(void* handle, const char* name, F*& function) {
  function = reinterpret_cast<F*>(SharedLibrary::Find(handle, name));
  if (function) return true;
  JournexEntry::Note("LoadFTD2xxDLL", kModule, "Error", std::string(name) + " could not be found in the D2XX library",
                     {{"library", FTD2xxLibrary::LibraryName()}});
  return false;
}
}  // namespace

std::shared_ptr<FTD2xxLibrary> FTD2xxLibrary::Shared() {
  static const std::shared_ptr<FTD2xxLibrary> library = std::make_shared<FTD2xxLibrary>();
  return library;
}

std::string FTD2xxLibrary::LibraryName() { return SharedLibrary::Choose("SWMATRIX_FTD2XX_LIBRARY", "libftd2xx.so"); }

Status FTD2xxLibrary::Load() {
  std::lock_guard guard(lock_);
  const std::string name = LibraryName();
  if (loaded_ && loadedName_ == name) return 0;
  loaded_ = false;
  functions_ = Functions{};
  std::string error;
  void* handle = SharedLibrary::Open(name, &error);
  if (!handle) {
    JournexEntry::Note("LoadFTD2xxDLL", kModule, "Error", "The D2XX library could not be loaded",
                       {{"library", name}, {"reason", error}, {"Err", ftd2xxstatus::kLibraryNotLoaded}});
    return ftd2xxstatus::kLibraryNotLoaded;
  }
  Functions f;
  bool complete = Take(handle, "FT_Open", f.FT_Open);
  complete = Take(handle, "FT_Close", f.FT_Close) && complete;
  complete = Take(handle, "FT_ResetDevice", f.FT_ResetDevice) && complete;
  complete = Take(handle, "FT_SetBitMode", f.FT_SetBitMode) && complete;
  complete = Take(handle, "FT_SetLatencyTimer", f.FT_SetLatencyTimer) && complete;
  complete = Take(handle, "FT_SetTimeouts", f.FT_SetTimeouts) && complete;
  complete = Take(handle, "FT_Write", f.FT_Write) && complete;
  complete = Take(handle, "FT_GetQueueStatus", f.FT_GetQueueStatus) && complete;
  complete = Take(handle, "FT_Read", f.FT_Read) && complete;
  complete = Take(handle, "FT_OpenEx", f.FT_OpenEx) && complete;
  complete = Take(handle, "FT_CreateDeviceInfoList", f.FT_CreateDeviceInfoList) && complete;
  complete = Take(handle, "FT_GetDeviceInfoList", f.FT_GetDeviceInfoList) && complete;
  complete = Take(handle, "FT_Purge", f.FT_Purge) && complete;
  if (!complete) return ftd2xxstatus::kLibraryNotLoaded;
  functions_ = f;
  loaded_ = true;
  loadedName_ = name;
  JournexEntry::Note("LoadFTD2xxDLL", kModule, "Note", "LoadFTD2xxDLL(\"Loaded\")", {{"library", name}});
  return 0;
}
