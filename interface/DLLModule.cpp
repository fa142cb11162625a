#include "interface/DLLModule.h"

#include "logging/JournexEntry.h"
#include "platform/ProcessInfo.h"

bool DLLModule::OnInit() {
  JournexEntry::Note("OnInit", "DLLModule", "Note", "OnInit()",
                     {{"ThreadID", ProcessInfo::ThreadId()},
                      {"MainThreadID", ProcessInfo::MainThreadId()},
                      {"ModuleFilename", fileName_}});
  return true;
}
