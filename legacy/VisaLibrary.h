#pragma once
// The VISA library, loaded at run time, with the functions the VISA access
// calls resolved by name, and the texts of VISA status codes. The library is
// $SWMATRIX_VISA_LIBRARY when that is set; otherwise the first that loads of
// libvisa.so.0 (what a runtime install provides), libvisa.so (which comes
// only with development files) and the other Linux VISA libraries' names.
#include <string>
#include <vector>

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

  // The names tried, in order.
  static std::vector<std::string> LibraryNames();

  // Loads the library and resolves its functions: 0, or 0x300002E5 when no
  // library can be loaded or the one loaded lacks a function the VISA access
  // calls (each missing one is logged). viSetBuf, viDisableEvent,
  // viDiscardEvents, viWaitOnEvent, viLock and viUnlock are never called:
  // a library without them loads (their absence is logged, and they stay null).
  Status Load();
  bool IsLoaded() const { return loaded_; }
  // Why the last load failed: each name tried with the loader's reason
  // ("libvisa.so.0: ...; libvisa.so: ..."), or the library and its missing
  // functions ("libvisa.so.0: viOpen is missing"); empty after a successful load.
  const std::string& LoadFailure() const { return loadFailure_; }
  // The library loaded ("" before).
  const std::string& LoadedName() const { return loadedName_; }
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
  std::string loadedName_;
};
