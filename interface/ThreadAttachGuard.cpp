#include "interface/ThreadAttachGuard.h"

#include "framework/HostCall.h"
#include "interface/ModuleStartup.h"
#include "platform/ProcessInfo.h"

namespace {
thread_local ThreadAttachGuard guard;
}

void ThreadAttachGuard::Touch() {
  (void)&guard;
  hostcall::Begin();
}

ThreadAttachGuard::ThreadAttachGuard() {
  ModuleStartup& startup = ModuleStartup::Instance();
  if (startup.Attached() && startup.AttachThreadId() == ProcessInfo::ThreadId()) return;
  attached_ = true;
  startup.ThreadAttach();
}

ThreadAttachGuard::~ThreadAttachGuard() {
  if (attached_) ModuleStartup::Instance().ThreadDetach();
}
