#include "streams/DeviceStreamClientWithStream.h"

#include "logging/JournexEntry.h"

namespace {
constexpr std::string_view kModule = "DeviceStreamClientWithStream";
}

Status DeviceStreamClientWithStream::WriteReadBinaryBlock(uint32_t hostContext, const std::string& command,
                                                          std::string& answer, size_t suggestedLength) {
  JournexEntry entry("WriteReadBinaryBlock", kModule);
  entry.LogBegin("Note", "WriteReadBinaryBlock(" + command + ")", {{"suggestedLength", suggestedLength}});
  answer.clear();
  DeviceStreamLocker locker(*this, hostContext);
  Status status = locker.Lock(GetTimeout(hostContext));
  if (status == 0) status = ClearInputBuffers(hostContext);
  if (status == 0) status = Write(hostContext, command, false);
  if (status == 0) {
    // The block may contain the terminator: read it whole, then restore.
    const DeviceStreamSettings settings = GetStreamSettings();
    DeviceStreamSettings binary = settings;
    binary.receiveTerminationEnabled = false;
    SetStreamSettings(binary);
    status = Read(hostContext, answer, suggestedLength);
    if (status == streamstatus::kReadTimedOut) status = 0;
    DeviceStreamSettings after = GetStreamSettings();
    after.receiveTerminationEnabled = settings.receiveTerminationEnabled;
    SetStreamSettings(after);
  }
  entry.LogEnd(status == 0 ? "Complete" : "Error", {}, {{"bytes", answer.size()}, {"Err", status}});
  return status;
}

bool DeviceStreamClientWithStream::GetUsedCommunication(const std::string& family) const {
  const DeviceStreamConfigurationPtr configuration = SelectedConfiguration();
  const bool used = configuration && configuration->GetCommunicationFamily() == family;
  JournexEntry::Note("GetUsedCommunication", kModule, "Note",
                     "GetUsedCommunication '" + family + "' returns '" + (used ? "true" : "false") + "'");
  return used;
}

DeviceStreamPtr DeviceStreamClientWithStream::TransportStream() const {
  const auto& decorator = GetEmbeddedStream();
  return decorator ? decorator->GetEmbeddedStream() : nullptr;
}
