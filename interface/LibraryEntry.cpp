// The library's entry: the ELF constructor is the process attach. The process
// detach runs from an exit handler registered at attach, so that it comes
// before the static objects of wxWidgets are destroyed; the ELF destructor
// only covers a library that is unloaded without exit.
//
// Code linked into a program (the unit tests link the module's objects) is no
// library: there the constructor does nothing and the program owns the runtime.
#include "interface/ModuleStartup.h"
#include "platform/LibraryImage.h"
#include "platform/ProcessInfo.h"

namespace {
void DetachAtExit() { ModuleStartup::Instance().ProcessDetach(true); }

__attribute__((constructor)) void LibraryLoaded() {
  const void* self = reinterpret_cast<const void*>(&LibraryLoaded);
  if (!LibraryImage::InSharedLibrary(self)) return;
  // The runtime this library may bring up cannot be unloaded and loaded
  // again, so the library stays resident once loaded, and detaches at exit.
  LibraryImage::Pin(self);
  ModuleStartup::Instance().ProcessAttach(ModuleStartup::CurrentOptions(self));
  ProcessInfo::AtExit(DetachAtExit);
}

__attribute__((destructor)) void LibraryUnloaded() { ModuleStartup::Instance().ProcessDetach(false); }
}  // namespace
