#pragma once
// The NI-488.2 library, loaded at run time: its name ($SWMATRIX_GPIB_LIBRARY,
// default libgpib.so.0), the version check through the registry stand-in,
// and every function the GPIB classes call, resolved by name. The loader
// keeps one copy of the library per process: loading it again reuses it.
#include <cwchar>
#include <functional>
#include <string>
#include <vector>

#include "framework/Status.h"

class NI4882MLibrary {
public:
  using NotifyCallback = int (*)(int ud, int ibsta, int iberr, long ibcntl, void* data);

  // The functions, in the order they are resolved. Null when missing (only
  // the optional ones may be).
  struct Functions {
    int (*ThreadIbsta)() = nullptr;
    int (*ThreadIberr)() = nullptr;
    long (*ThreadIbcntl)() = nullptr;
    int (*ibcac)(int ud, int v) = nullptr;
    int (*ibclr)(int ud) = nullptr;
    int (*ibdev)(int board, int pad, int sad, int tmo, int eot, int eos) = nullptr;
    int (*ibfindW)(const wchar_t* name) = nullptr;
    int (*ibfind)(const char* name) = nullptr;  // stands in for ibfindW when the library lacks it
    int (*ibloc)(int ud) = nullptr;
    int (*ibonl)(int ud, int v) = nullptr;
    int (*ibrd)(int ud, void* buffer, long count) = nullptr;
    int (*ibsic)(int ud) = nullptr;
    int (*ibwrt)(int ud, const void* buffer, long count) = nullptr;
    int (*ibsre)(int ud, int v) = nullptr;
    int (*ibrsp)(int ud, char* statusByte) = nullptr;
    int (*ibcmd)(int ud, const void* buffer, long count) = nullptr;
    int (*ibpct)(int ud) = nullptr;
    int (*ibwait)(int ud, int mask) = nullptr;
    int (*ibrsv)(int ud, int v) = nullptr;
    int (*ibrsc)(int ud, int v) = nullptr;
    int (*ibtmo)(int ud, int v) = nullptr;
    int (*ibconfig)(int ud, int option, int value) = nullptr;
    int (*ibask)(int ud, int option, int* value) = nullptr;
    int (*ibtrg)(int ud) = nullptr;
    int (*ibnotify)(int ud, int mask, NotifyCallback callback, void* data) = nullptr;
    int (*iblines)(int ud, short* lines) = nullptr;
    int (*iblck)(int ud, int v, unsigned int lockWaitTime, void* reserved) = nullptr;
  };

  // Names of functions whose absence only skips a step.
  static bool IsOptional(const std::string& name);

  // Runs the version check, loads the library and resolves the functions;
  // 0, or the status of the first failure. A library object loads once.
  Status Load();
  bool IsLoaded() const { return loaded_; }
  const Functions& Calls() const { return functions_; }
  // The functions that were missing and are skipped (for the log and tests).
  const std::vector<std::string>& Skipped() const { return skipped_; }
  // Why the last load failed: the loader's reason, or the missing function
  // ("ibwrt is missing"); empty after a successful load.
  const std::string& LoadFailure() const { return loadFailure_; }

  // The library file to load.
  static std::string LibraryName();
  // Whether another vendor's IO layer provides the NI-488.2 calls, so that the
  // NI version check does not apply (registry: Agilent488Enabled).
  static bool HasAgilent488EnabledMode();
  // The version check: 0, 0x30000237 (major version 2 or less) or 0x3000023A (below 15).
  static Status CheckNI4882MVersion();
  // Resolves every function through lookup. A missing optional function is
  // logged and listed in skipped; a missing required one fails with the
  // status of "function not implemented" and names itself in missing.
  static Status ResolveFunctions(const std::function<void*(const char*)>& lookup,
                                 Functions* functions, std::vector<std::string>* skipped,
                                 std::string* missing);

private:
  bool loaded_ = false;
  Functions functions_;
  std::vector<std::string> skipped_;
  std::string loadFailure_;
};
