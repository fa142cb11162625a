#include "gpibsrq/GpibCalls.h"

#include "platform/SharedLibrary.h"

namespace gpibsrq {
namespace {

template <class F>
bool Take(void* handle, const char* name, F*& function) {
  function = reinterpret_cast<F*>(SharedLibrary::Find(handle, name));
  return function != nullptr;
}

GpibCalls* Load() {
  std::string error;
  void* handle = SharedLibrary::Open(SharedLibrary::Choose("SWMATRIX_GPIB_LIBRARY", "libgpib.so.0"), &error);
  if (!handle) return nullptr;
  static GpibCalls calls;
  const bool complete = Take(handle, "ibfind", calls.ibfind) & Take(handle, "ibdev", calls.ibdev) & Take(handle, "ibonl", calls.ibonl) &
                        Take(handle, "ibtmo", calls.ibtmo) & Take(handle, "ibwait", calls.ibwait) &
                        Take(handle, "ibrsp", calls.ibrsp) & Take(handle, "iblines", calls.iblines) &
                        Take(handle, "ibask", calls.ibask);
  return complete ? &calls : nullptr;
}

}  // namespace

const GpibCalls* Gpib() {
  static const GpibCalls* calls = Load();
  return calls;
}

}  // namespace gpibsrq
