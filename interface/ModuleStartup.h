#pragma once
// What happens when the library is attached to and detached from the process
// and its threads: the wxWidgets runtime is brought up only when the host has
// none (a host that is a wxWidgets program keeps its own), the module object
// is created, wxWidgets' log output goes to the log channel, and every step
// is written to the optional start-up trace.
#include <cstdint>
#include <memory>
#include <string>

#include "interface/DLLModule.h"
#include "interface/StartupTrace.h"

class ModuleStartup {
public:
  struct Options {
    const void* instance = nullptr;  // the library's load address
    std::string fileName;            // the library's full file name
    bool staticLoad = false;         // loaded with the program rather than by dlopen
    bool displayAvailable = false;   // try a GUI runtime before a console one
    std::string traceDirectory;      // where DDLOGGER.DAT is looked for
  };

  // The one instance; it lives until the process ends.
  static ModuleStartup& Instance();

  // The options of the running library (file name, display, trace directory).
  static Options CurrentOptions(const void* addressInLibrary);

  void ProcessAttach(const Options& options);
  // `processTerminating`: detach because the process ends, not because the library is freed.
  void ProcessDetach(bool processTerminating);
  void ThreadAttach();
  void ThreadDetach();

  bool Attached() const { return attached_; }
  DLLModule* Module() const { return module_.get(); }
  bool OwnsWxWidgets() const { return ownsWxWidgets_; }
  bool TraceEnabled() const { return trace_.Enabled(); }
  // The thread that ran the process attach (it gets no thread attach of its own).
  uint64_t AttachThreadId() const { return attachThread_; }

private:
  ModuleStartup() = default;
  void Trace(const std::string& text) const { trace_.Line("wxDLLApp", text); }
  bool StartOwnRuntime(bool displayAvailable);
  static void InstallSharedThreadTarget();

  bool attached_ = false;
  bool ownsWxWidgets_ = false;
  std::unique_ptr<DLLModule> module_;
  StartupTrace trace_;
  std::string fileName_;
  bool staticLoad_ = false;
  uint64_t attachThread_ = 0;
};
