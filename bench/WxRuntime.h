#pragma once
// The wxWidgets runtime that the module's code needs: set up once per
// benchmark program, never torn down.
#include <wx/init.h>

namespace bench {

inline bool EnsureWxRuntime() {
  static wxInitializer* runtime = new wxInitializer();
  return runtime->IsOk();
}

}  // namespace bench
