#pragma once
// A vendor library loaded at run time: the file its environment variable
// names (the default name when unset or empty), loaded again when that name
// changed, with every call resolved by name, all or nothing. Each failure is
// logged under the library's own log call and module.
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "framework/Status.h"

struct VendorLibraryDescription {
  const char* variable;     // environment variable naming the file
  const char* defaultName;  // file loaded when the variable is unset or empty
  std::string_view call;    // log call, e.g. "LoadRSIBDLL"
  std::string_view module;  // log module
  std::string_view title;   // the library in log texts: "the <title> library"
  Status notLoaded;         // when the file cannot be loaded or lacks a call
  bool noteIncomplete;      // also log <call>("Failed") when a call is missing
};

// One attempt to load a library: opens the file and finds calls by name,
// logging each failure, and logs the outcome when finished.
class VendorLibraryAttempt {
public:
  VendorLibraryAttempt(const VendorLibraryDescription& description, std::string name);
  bool Opened() const { return handle_ != nullptr; }
  // Resolves one call into function (null when the library lacks it).
  template <class F>
  void operator()(const char* symbol, F*& function) {
    function = reinterpret_cast<F*>(Find(symbol));
  }
  // 0 when every call was found, otherwise the description's status.
  Status Finish();
  // Why the attempt failed, without the library's name: the loader's reason,
  // or the calls the library lacks ("RSDLLibfind is missing").
  std::string Failure() const;

private:
  void* Find(const char* symbol);

  const VendorLibraryDescription& description_;
  std::string name_;
  void* handle_ = nullptr;
  bool complete_ = true;
  std::string failure_;               // the loader's reason
  std::vector<std::string> missing_;  // calls the library lacks
};

// The loaded state of one library; Functions is its table of calls.
template <class Functions>
class VendorLibrary {
public:
  explicit VendorLibrary(const VendorLibraryDescription& description) : description_(description) {}

  std::string Name() const;
  // Loads the library the variable names now (again when the name changed);
  // resolve(attempt, functions) resolves every call of the table.
  template <class Resolve>
  Status Load(Resolve resolve);
  bool IsLoaded() const {
    std::lock_guard guard(lock_);
    return loaded_;
  }
  // The resolved calls; valid after a successful Load.
  const Functions& Calls() const { return functions_; }
  // Why the last Load failed (see VendorLibraryAttempt::Failure); empty after a success.
  std::string Failure() const {
    std::lock_guard guard(lock_);
    return failure_;
  }

private:
  const VendorLibraryDescription& description_;
  mutable std::mutex lock_;
  std::string loadedName_;
  std::string failure_;
  bool loaded_ = false;
  Functions functions_;
};

std::string ChooseVendorLibrary(const VendorLibraryDescription& description);

template <class Functions>
std::string VendorLibrary<Functions>::Name() const {
  return ChooseVendorLibrary(description_);
}

template <class Functions>
template <class Resolve>
Status VendorLibrary<Functions>::Load(Resolve resolve) {
  std::lock_guard guard(lock_);
  const std::string name = Name();
  if (loaded_ && loadedName_ == name) return 0;
  loaded_ = false;
  functions_ = Functions{};
  VendorLibraryAttempt attempt(description_, name);
  failure_ = attempt.Failure();
  if (!attempt.Opened()) return description_.notLoaded;
  Functions functions;
  resolve(attempt, functions);
  const Status status = attempt.Finish();
  failure_ = attempt.Failure();
  if (status) return status;
  functions_ = functions;
  loaded_ = true;
  loadedName_ = name;
  return 0;
}
