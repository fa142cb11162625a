#pragma once
// A shared library loaded as the module loads its vendor libraries (local
// symbols, resolved at once) and its functions by name: a member declared
// with the function's type and initialised with Function("name") takes that
// type, so each function is named once. It stays loaded for the process.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <string>

class LibrarySymbols {
public:
  explicit LibrarySymbols(const std::string& path) : handle_(dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL)) {
    EXPECT_NE(handle_, nullptr) << dlerror();
  }

  // The address of a symbol, converted to the function pointer it is assigned to.
  struct Symbol {
    void* address;
    template <class F>
    operator F*() const {
      return reinterpret_cast<F*>(address);
    }
  };
  Symbol Function(const char* name) const {
    void* address = handle_ ? dlsym(handle_, name) : nullptr;
    EXPECT_NE(address, nullptr) << name;
    return {address};
  }
  bool Offers(const char* name) const { return handle_ && dlsym(handle_, name); }

private:
  void* handle_;
};
