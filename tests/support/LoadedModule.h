#pragma once
// The built module, loaded once per test process the way a host loads it.
#include <string>

#include "swmatrix/loader.h"

inline std::string BuiltModulePath() { return std::string(SWM_BUILD_DIR) + "/lib/libswmatrix.so"; }

inline swm::Module& LoadedModule() {
  static swm::Module module(BuiltModulePath());
  return module;
}
