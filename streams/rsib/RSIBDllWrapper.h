#pragma once
// The RSIB library, loaded at run time ($SWMATRIX_RSIB_LIBRARY, default
// librsib.so), with its twelve calls resolved by name. Every call returns
// the status word and fills the status word, the error code and the byte
// count; bit 0x8000 of the status word marks a failure, 0x4000 a time-out.
// Answers are read with the length-limited RSDLLilrd: RSDLLibrd takes no
// length and writes the whole answer, however long, so it is never used;
// texts go out with RSDLLilwrt, which takes their length. The calls the
// vendor's header declares void (RSDLLTestSrq, RSDLLWaitSrq, RSDLLibtmo,
// RSDLLibsre, RSDLLibloc, RSDLLibeot, RSDLLibonl) report through the out
// parameters alone.
#include <memory>
#include <string>

#include "framework/Status.h"
#include "streams/VendorLibrary.h"

class RSIBDllWrapper {
public:
  static constexpr short kError = static_cast<short>(0x8000);
  static constexpr short kTimeout = 0x4000;

  struct Functions {
    short (*RSDLLibfind)(char* address, short* ibsta, short* iberr, unsigned long* ibcntl) = nullptr;
    // Writes count bytes (RSDLLibwrt would stop at the first NUL).
    short (*RSDLLilwrt)(short ud, const char* text, unsigned long count, short* ibsta, short* iberr,
                        unsigned long* ibcntl) = nullptr;
    // Reads at most count bytes; *ibcntl is the count read.
    short (*RSDLLilrd)(short ud, char* buffer, unsigned long count, short* ibsta, short* iberr,
                       unsigned long* ibcntl) = nullptr;
    void (*RSDLLTestSrq)(short ud, short* requested, short* ibsta, short* iberr, unsigned long* ibcntl) = nullptr;
    void (*RSDLLWaitSrq)(short ud, short* requested, short* ibsta, short* iberr, unsigned long* ibcntl) = nullptr;
    // The time-out of reads and waits in whole seconds.
    void (*RSDLLibtmo)(short ud, short seconds, short* ibsta, short* iberr, unsigned long* ibcntl) = nullptr;
    void (*RSDLLibsre)(short ud, short enable, short* ibsta, short* iberr, unsigned long* ibcntl) = nullptr;
    void (*RSDLLibloc)(short ud, short* ibsta, short* iberr, unsigned long* ibcntl) = nullptr;
    void (*RSDLLibeot)(short ud, short sendEnd, short* ibsta, short* iberr, unsigned long* ibcntl) = nullptr;
    void (*RSDLLibonl)(short ud, short online, short* ibsta, short* iberr, unsigned long* ibcntl) = nullptr;
    short (*RSDLLibclr)(short ud, short* ibsta, short* iberr, unsigned long* ibcntl) = nullptr;
    short (*RSDLLibrsp)(short ud, char* statusByte, short* ibsta, short* iberr, unsigned long* ibcntl) = nullptr;
  };

  // The out parameters of the last call.
  struct Result {
    short ibsta = 0;
    short iberr = 0;
    unsigned long ibcntl = 0;
    bool Failed() const { return (ibsta & kError) != 0; }
    bool TimedOut() const { return (ibsta & kTimeout) != 0; }
  };

  RSIBDllWrapper();

  // The wrapper every RSIB stream of the process shares.
  static std::shared_ptr<RSIBDllWrapper> Shared();
  static std::string LibraryName();

  // Loads the library the variable names now (again when the name changed)
  // and resolves every call: 0, or kLibraryNotLoaded when it cannot be
  // loaded or lacks a call (each missing one is logged).
  Status Load();
  bool IsLoaded() const { return library_.IsLoaded(); }
  // Why the last load failed, without the library's name (empty after a success).
  std::string Failure() const { return library_.Failure(); }
  // The resolved calls; valid after a successful Load.
  const Functions& Calls() const { return library_.Calls(); }

private:
  VendorLibrary<Functions> library_;
};
