#pragma once
// Vendor libraries loaded at run time: opening by file name or path, and
// finding their functions by name. A library opened twice is the same
// library (the loader counts the openings); handles are never closed, since
// a vendor library stays in use until the process ends.
#include <string>
#include <vector>

class SharedLibrary {
public:
  // Opens the library (a bare name is searched as the dynamic loader does);
  // null with the loader's reason in error when it cannot be loaded (without
  // the file name the loader puts first: the caller names the library).
  static void* Open(const std::string& name, std::string* error);
  // The address of the function or variable, null when the library has none.
  static void* Find(void* handle, const char* symbol);
  // The library to load for a vendor API: the value of the environment
  // variable when it is set and not empty, otherwise the default name.
  static std::string Choose(const char* variable, const std::string& defaultName);
  // Opens the first of the names that loads; its name in loaded. Null when
  // none does, with "name: reason" of every name in error ("; " between).
  static void* OpenFirst(const std::vector<std::string>& names, std::string* loaded, std::string* error);
  // The directory of the file that holds this code: the module, or the
  // program the module's code is linked into.
  static std::string OwnDirectory();
};
