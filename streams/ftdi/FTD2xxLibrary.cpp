#include "streams/ftdi/FTD2xxLibrary.h"

#include "streams/ftdi/FTD2xxStatus.h"

namespace {
constexpr VendorLibraryDescription kLibrary{.variable = "SWMATRIX_FTD2XX_LIBRARY",
                                            .defaultName = "libftd2xx.so",
                                            .call = "LoadFTD2xxDLL",
                                            .module = "FTDI",
                                            .title = "D2XX",
                                            .notLoaded = ftd2xxstatus::kLibraryNotLoaded,
                                            .noteIncomplete = false};
}  // namespace

FTD2xxLibrary::FTD2xxLibrary() : library_(kLibrary) {}

std::shared_ptr<FTD2xxLibrary> FTD2xxLibrary::Shared() {
  static const std::shared_ptr<FTD2xxLibrary> library = std::make_shared<FTD2xxLibrary>();
  return library;
}

std::string FTD2xxLibrary::LibraryName() { return ChooseVendorLibrary(kLibrary); }

Status FTD2xxLibrary::Load() {
  return library_.Load([](VendorLibraryAttempt& take, Functions& f) {
    take("FT_Open", f.FT_Open);
    take("FT_Close", f.FT_Close);
    take("FT_ResetDevice", f.FT_ResetDevice);
    take("FT_SetBitMode", f.FT_SetBitMode);
    take("FT_SetLatencyTimer", f.FT_SetLatencyTimer);
    take("FT_SetTimeouts", f.FT_SetTimeouts);
    take("FT_Write", f.FT_Write);
    take("FT_GetQueueStatus", f.FT_GetQueueStatus);
    take("FT_Read", f.FT_Read);
    take("FT_OpenEx", f.FT_OpenEx);
    take("FT_CreateDeviceInfoList", f.FT_CreateDeviceInfoList);
    take("FT_GetDeviceInfoList", f.FT_GetDeviceInfoList);
    take("FT_Purge", f.FT_Purge);
  });
}
