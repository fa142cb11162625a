#include "drivers/external/ExternalProgram.h"

#include <cerrno>
#include <vector>

#include "drivers/external/ExternalProgramPanel.h"
#include "framework/TextBuffer.h"
#include "logging/JournexEntry.h"
#include "platform/ProcessLauncher.h"
#include "settings/NarrowText.h"

namespace {
constexpr std::string_view kModule = "ExternalProgram";

std::string Trimmed(const std::string& text) {
  const size_t begin = text.find_first_not_of(" \t\r\n");
  if (begin == std::string::npos) return {};
  return text.substr(begin, text.find_last_not_of(" \t\r\n") - begin + 1);
}
}  // namespace

uint32_t ExternalProgram::LoadProgramSettings(uint32_t hostContext, SettingsStore store) {
  if (store) {
    store->PushTable(kTable);
    before = store->Read("Before", before);
    after = store->Read("After", after);
    store->PopTable();
  }
  return DeviceDriverBase::LoadProgramSettings(hostContext, store);
}

uint32_t ExternalProgram::SaveProgramSettings(uint32_t hostContext, SettingsStore store) {
  if (store) {
    store->PushTable(kTable);
    store->Write("Before", before);
    store->Write("After", after);
    store->PopTable();
  }
  return DeviceDriverBase::SaveProgramSettings(hostContext, store);
}

Status ExternalProgram::HandleEvent(HostWindow, const uint32_t* event, const double*) {
  if (!event) return 0;
  if (*event == SWM_EVENT_TestStopped && state_ != kStopped) {
    state_ = kStopped;
    return after.empty() ? 0 : Run(after);
  }
  if (*event == SWM_EVENT_InitialisationStarted && state_ != kInitialised) {
    state_ = kInitialised;
    return before.empty() ? 0 : Run(before);
  }
  return 0;
}

Status ExternalProgram::Run(const wxString& commandLine) {
  const std::string line = NarrowFromWide(commandLine);
  std::vector<std::string> words;
  Status status = SplitCommandLine(line, &words) ? 0 : EINVAL;
  if (!status && words.empty()) return 0;
  int exitCode = 0;
  if (!status) status = static_cast<Status>(RunProgramAndWait(words, &exitCode));
  if (status == ENOENT || status == EACCES || status == ENOEXEC) {
    // Not a program: a document (the whole line, or its only word) goes to the desktop's opener.
    const std::string whole = Trimmed(line);
    const std::string document = IsExistingFile(whole) ? whole : words.size() == 1 && IsExistingFile(words[0]) ? words[0] : "";
    if (!document.empty()) status = static_cast<Status>(OpenWithDesktop(document));
  }
  JournexEntry::Note("Run", kModule, status ? "Error" : "Note", line, {{"exitCode", exitCode}, {"Err", status}});
  return status;
}

Status ExternalProgram::AddConfigurationDialogPanels(HostWindow, PanelList& panels) {
  AddExternalProgramPanel(panels, *this);
  return 0;
}

Status ExternalProgram::GetErrorString(HostWindow hWnd, uint32_t err, char* buffer, uint32_t bufferSize,
                                       uint32_t* read) {
  if (err == 0 || err > kLastSystemError) return DeviceDriverBase::GetErrorString(hWnd, err, buffer, bufferSize, read);
  ClearTextBuffer(buffer, bufferSize, read);
  CopyTextToBuffer(SystemErrorText(static_cast<int>(err)), buffer, bufferSize, read);
  return 0;
}
