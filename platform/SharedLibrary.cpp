#include "platform/SharedLibrary.h"

#include <dlfcn.h>

#include <cstdlib>
#include <mutex>

namespace {
// dlerror() reports per thread, but its text is only valid until the next
// call; one lock keeps open and read together.
std::mutex loaderLock;

// The loader's reason without the file it names first ("/x/libgpib.so.0:
// cannot open shared object file: ..."), so that callers name the library once.
std::string WithoutFileName(const std::string& reason, const std::string& name) {
  const size_t colon = reason.find(": ");
  if (colon == std::string::npos) return reason;
  const std::string file = reason.substr(0, colon);
  const std::string base = name.substr(name.rfind('/') + 1);
  const bool named = file == name || (file.size() > base.size() && file.ends_with("/" + base));
  return named ? reason.substr(colon + 2) : reason;
}
}  // namespace

void* SharedLibrary::Open(const std::string& name, std::string* error) {
  std::lock_guard guard(loaderLock);
  void* handle = dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle && error) {
    const char* reason = dlerror();
    *error = reason ? WithoutFileName(reason, name) : "cannot be loaded";
  }
  return handle;
}

void* SharedLibrary::Find(void* handle, const char* symbol) {
  if (!handle || !symbol) return nullptr;
  return dlsym(handle, symbol);
}

void* SharedLibrary::OpenFirst(const std::vector<std::string>& names, std::string* loaded, std::string* error) {
  std::string reasons;
  for (const std::string& name : names) {
    std::string reason;
    if (void* handle = Open(name, &reason)) {
      if (loaded) *loaded = name;
      return handle;
    }
    reasons += (reasons.empty() ? "" : "; ") + name + ": " + reason;
  }
  if (error) *error = reasons.empty() ? "no library to load" : reasons;
  return nullptr;
}

std::string SharedLibrary::OwnDirectory() {
  Dl_info info{};
  if (!dladdr(reinterpret_cast<void*>(&SharedLibrary::OwnDirectory), &info) || !info.dli_fname) return ".";
  const std::string file = info.dli_fname;
  const size_t slash = file.rfind('/');
  return slash == std::string::npos ? "." : file.substr(0, slash);
}

std::string SharedLibrary::Choose(const char* variable, const std::string& defaultName) {
  const char* value = std::getenv(variable);
  return value && *value ? std::string(value) : defaultName;
}
