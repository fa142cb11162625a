#pragma once
// The VISA library, loaded at run time ($SWMATRIX_VISA_LIBRARY, default
// libvisa.so), with the functions the VISA access calls resolved by name, and
// the texts of VISA status codes.
#include <string>

#include "framework/Status.h"
#include "legacy/VisaTypes.h"

class VisaLibrary {
public:
  struct Functions {
    visa::ViStatus (*viOpenDefaultRM)(visa::ViSession* rm) = nullptr;
    visa::ViStatus (*viOpen)(visa::ViSession rm, const char* name, visa::ViAccessMode mode,
                             visa::ViUInt32 timeout, visa::ViSession* vi) = nullptr;
    visa::ViStatus (*viClose)(visa::ViObject object) = nullptr;
    visa::ViStatus (*viWrite)(visa::ViSession vi, const unsigned char* buffer, visa::ViUInt32 count,
                              visa::ViUInt32* written) = nullptr;
    visa::ViStatus (*viRead)(visa::ViSession vi, unsigned char* buffer, visa::ViUInt32 count,
                             visa::ViUInt32* read) = nullptr;
    visa::ViStatus (*viGetAttribute)(visa::ViObject object, visa::ViAttr attribute, void* value) = nullptr;
    visa::ViStatus (*viSetAttribute)(visa::ViObject object, visa::ViAttr attribute,
                                     visa::ViAttrState value) = nullptr;
    visa::ViStatus (*viClear)(visa::ViSession vi) = nullptr;
    visa::ViStatus (*viSetBuf)(visa::ViSession vi, visa::ViUInt16 mask, visa::ViUInt32 size) = nullptr;
    visa::ViStatus (*viStatusDesc)(visa::ViObject object, visa::ViStatus status, char* description) = nullptr;
    visa::ViStatus (*viFlush)(visa::ViSession vi, visa::ViUInt16 mask) = nullptr;
    visa::ViStatus (*viDisableEvent)(visa::ViSession vi, visa::ViEventType type, visa::ViUInt16 mechanism) = nullptr;
    visa::ViStatus (*viDiscardEvents)(visa::ViSession vi, visa::ViEventType type, visa::ViUInt16 mechanism) = nullptr;
    visa::ViStatus (*viWaitOnEvent)(visa::ViSession vi, visa::ViEventType type, visa::ViUInt32 timeout,
                                    visa::ViEventType* outType, visa::ViEvent* event) = nullptr;
    visa::ViStatus (*viLock)(visa::ViSession vi, visa::ViAccessMode type, visa::ViUInt32 timeout,
                             const char* requestedKey, char* accessKey) = nullptr;
    visa::ViStatus (*viUnlock)(visa::ViSession vi) = nullptr;
  };

  static std::string LibraryName();

  // Loads the library and resolves every function: 0, or 0x300002E5 when the
  // library cannot be loaded or lacks a function (each missing one is logged).
  Status Load();
  bool IsLoaded() const { return loaded_; }
  // Why the last load failed: the loader's reason, or the missing functions
  // ("viOpen is missing"); empty after a successful load.
  const std::string& LoadFailure() const { return loadFailure_; }
  const Functions& Calls() const { return functions_; }

  // The text of a VISA status: a fixed text for the common failures, else
  // the library's own description (through the session, or none).
  std::string StatusText(visa::ViSession session, uint32_t status) const;
  // The fixed text of a status, empty when it has none.
  static std::string FixedText(uint32_t status);

private:
  bool loaded_ = false;
  Functions functions_;
  std::string loadFailure_;
};
