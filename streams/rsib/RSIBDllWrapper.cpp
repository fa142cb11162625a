#include "streams/rsib/RSIBDllWrapper.h"

#include "streams/rsib/RSIBStatus.h"

namespace {
constexpr VendorLibraryDescription kLibrary{.variable = "SWMATRIX_RSIB_LIBRARY",
                                            .defaultName = "librsib.so",
                                            .call = "LoadRSIBDLL",
                                            .module = "RSIBDllWrapper",
                                            .title = "RSIB",
                                            .notLoaded = rsibstatus::kLibraryNotLoaded,
                                            .noteIncomplete = true};
}  // namespace

RSIBDllWrapper::RSIBDllWrapper() : library_(kLibrary) {}

std::shared_ptr<RSIBDllWrapper> RSIBDllWrapper::Shared() {
  static const std::shared_ptr<RSIBDllWrapper> wrapper = std::make_shared<RSIBDllWrapper>();
  return wrapper;
}

std::string RSIBDllWrapper::LibraryName() { return ChooseVendorLibrary(kLibrary); }

Status RSIBDllWrapper::Load() {
  return library_.Load([](VendorLibraryAttempt& take, Functions& f) {
    take("RSDLLibfind", f.RSDLLibfind);
    take("RSDLLilwrt", f.RSDLLilwrt);
    take("RSDLLilrd", f.RSDLLilrd);
    take("RSDLLTestSrq", f.RSDLLTestSrq);
    take("RSDLLWaitSrq", f.RSDLLWaitSrq);
    take("RSDLLibtmo", f.RSDLLibtmo);
    take("RSDLLibsre", f.RSDLLibsre);
    take("RSDLLibloc", f.RSDLLibloc);
    take("RSDLLibeot", f.RSDLLibeot);
    take("RSDLLibonl", f.RSDLLibonl);
    take("RSDLLibclr", f.RSDLLibclr);
    take("RSDLLibrsp", f.RSDLLibrsp);
  });
}
