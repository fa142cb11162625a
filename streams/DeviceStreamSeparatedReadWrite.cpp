#include "streams/DeviceStreamSeparatedReadWrite.h"

#include <wx/string.h>

#include <cstdio>

#include "logging/JournexEntry.h"
#include "platform/MessageBox.h"

Status DeviceStreamSeparatedReadWrite::SetSendTermination(uint32_t, const std::string& text, bool enabled) {
  settings_.sendTermination = text;
  settings_.sendTerminationEnabled = enabled;
  return 0;
}

Status DeviceStreamSeparatedReadWrite::SetReceiveTermination(uint32_t, const std::string& text, bool enabled) {
  settings_.receiveTermination = text;
  settings_.receiveTerminationEnabled = enabled;
  return 0;
}

Status DeviceStreamSeparatedReadWrite::SetTimeout(uint32_t, double seconds) {
  settings_.timeoutSeconds = seconds;
  return 0;
}

double DeviceStreamSeparatedReadWrite::GetTimeout(uint32_t) { return settings_.timeoutSeconds; }

uint32_t DeviceStreamSeparatedReadWrite::GetCommunicationDelay() { return settings_.delayer.GetDelay(); }

Status DeviceStreamSeparatedReadWrite::SetCommunicationDelay(uint32_t microseconds) {
  settings_.delayer.SetDelay(microseconds);
  return 0;
}

Status DeviceStreamSeparatedReadWrite::Connect(uint32_t, const DeviceStreamConfigurationPtr&, StreamUser) {
  return streamstatus::kNotImplemented;
}

Status DeviceStreamSeparatedReadWrite::Disconnect(uint32_t, StreamUser) { return 0; }

bool DeviceStreamSeparatedReadWrite::IsConnected() { return connected_; }

Status DeviceStreamSeparatedReadWrite::Lock(uint32_t, double seconds) { return lock_.LockSeconds(seconds); }

Status DeviceStreamSeparatedReadWrite::Unlock(uint32_t) {
  if (lock_.IsCreated()) lock_.Unlock();
  return 0;
}

Status DeviceStreamSeparatedReadWrite::Write(uint32_t, const std::string&, bool) {
  return streamstatus::kNotImplemented;
}

Status DeviceStreamSeparatedReadWrite::Read(uint32_t, std::string&, size_t) {
  return streamstatus::kNotImplemented;
}

Status DeviceStreamSeparatedReadWrite::ClearInputBuffers(uint32_t) { return 0; }
Status DeviceStreamSeparatedReadWrite::ClearOutputBuffers(uint32_t) { return 0; }
Status DeviceStreamSeparatedReadWrite::ClearDevice(uint32_t) { return 0; }
uint32_t DeviceStreamSeparatedReadWrite::GetLastSystemError() { return lastSystemError_; }

Status DeviceStreamSeparatedReadWrite::ReadStatusByte(uint32_t, uint8_t* statusByte) {
  if (statusByte) *statusByte = 0;
  return 0;
}

Status DeviceStreamSeparatedReadWrite::SetOptions(uint32_t, uint32_t options) {
  options_ = options;
  return 0;
}

Status DeviceStreamSeparatedReadWrite::GetErrorString(uint32_t, Status, std::string&) { return 0; }

DeviceStreamSettings DeviceStreamSeparatedReadWrite::GetStreamSettings() { return settings_; }

void DeviceStreamSeparatedReadWrite::SetStreamSettings(const DeviceStreamSettings& settings) {
  settings_ = settings;
}

bool DeviceStreamSeparatedReadWrite::IsReady() { return IsConnected() && UserCount() == 1; }

void DeviceStreamSeparatedReadWrite::ShowAssertion(const std::string& message, const std::string& function) {
  char text[1024];
  std::snprintf(text, sizeof text, "Message:      %s\n\nFunction:   %s", message.c_str(), function.c_str());
  JournexEntry::Note("Assertion", "DeviceStreamSeparatedReadWrite", "Error", text);
  PlatformMessageBox(0, text, "Assertion", kMbOk | kMbIconError);
}

bool DeviceStreamSeparatedReadWrite::VerifyCorrectConfigurationObject(
    const DeviceStreamConfigurationPtr& configuration, const std::string& objectIDDescription) {
  static const char* const kFunction =
      "bool DeviceStreamSeparatedReadWrite::VerifyCorrectConfigurationObject("
      "const DeviceStreamConfigurationPtr&, const std::string&)";
  bool correct = true;
  if (!configuration) {
    ShowAssertion("configObject = NULL", kFunction);
    correct = false;
  }
  if (objectIDDescription.empty()) {
    ShowAssertion("objectIDDescription.empty()", kFunction);
    correct = false;
  }
  if (configuration && configuration->GetIDString() != objectIDDescription) {
    ShowAssertion("configObject->GetIDString() != objectIDDescription", kFunction);
    correct = false;
  }
  return correct;
}

size_t DeviceStreamSeparatedReadWrite::UserCount() const {
  std::lock_guard guard(usersLock_);
  return users_.size();
}

bool DeviceStreamSeparatedReadWrite::HasUser(StreamUser user) const {
  std::lock_guard guard(usersLock_);
  return users_.count(user) != 0;
}

void DeviceStreamSeparatedReadWrite::SetLockName(const std::string& idString) {
  lock_.SetName(Mutex::StreamLockName(wxString::FromUTF8(idString).ToStdWstring()));
  JournexEntry::Note("SetLockName", "DeviceStreamSeparatedReadWrite", "Note",
                     "SetLockName(" + wxString(lock_.GetName()).utf8_string() + ")");
}

bool DeviceStreamSeparatedReadWrite::IsFirstUser(StreamUser user) const {
  std::lock_guard guard(usersLock_);
  return users_.empty() || (users_.size() == 1 && users_.count(user) == 1);
}

void DeviceStreamSeparatedReadWrite::RegisterUser(StreamUser user) {
  if (user == 0) return;
  std::lock_guard guard(usersLock_);
  users_.insert(user);
}

size_t DeviceStreamSeparatedReadWrite::RemoveUser(StreamUser user) {
  std::lock_guard guard(usersLock_);
  users_.erase(user);
  return users_.size();
}
