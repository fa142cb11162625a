#include "platform/SharedLibrary.h"

#include <dlfcn.h>

#include <cstdlib>
#include <mutex>

namespace {
// dlerror() reports per thread, but its text is only valid until the next
// call; one lock keeps open and read together.
std::mutex loaderLock;
}  // namespace

void* SharedLibrary::Open(const std::string& name, std::string* error) {
  std::lock_guard guard(loaderLock);
  void* handle = dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle && error) {
    const char* reason = dlerror();
    *error = reason ? reason : "cannot be loaded";
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
    reasons += (reasons.empty() ? "" : "; ") + reason;
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
