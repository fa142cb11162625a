#include "legacy/VisaBase.h"

#include <cctype>
#include <string_view>
#include <vector>

#include "legacy/VisaResourceName.h"
#include "logging/JournexEntry.h"

namespace {
constexpr std::string_view kModule = "VisaBase";
}

VisaBase::~VisaBase() { CloseResource(); }

Status VisaBase::Check(std::string_view function, visa::ViStatus status) {
  const uint32_t code = static_cast<uint32_t>(status);
  lastStatus_ = visa::IsError(code) ? code : 0;
  if (lastStatus_ && JournexEntry::Enabled())
    JournexEntry::Note(function, kModule, "Error", std::string(function) + "(" + resource_ + ")",
                       {{"Err", lastStatus_}, {"text", library_.StatusText(session_, code)}});
  return lastStatus_;
}

Status VisaBase::OpenResource(const std::string& resource, uint32_t timeoutMilliseconds) {
  CloseResource();
  if (const Status status = library_.Load()) return status;
  const VisaLibrary::Functions& f = library_.Calls();
  resource_ = resource;
  if (!resourceManager_) {
    if (const Status status = Check("viOpenDefaultRM", f.viOpenDefaultRM(&resourceManager_))) {
      resourceManager_ = 0;
      return status;
    }
  }
  visa::ViSession session = 0;
  if (const Status status = Check("viOpen", f.viOpen(resourceManager_, resource.c_str(), visa::kNoLock,
                                                     timeoutMilliseconds, &session)))
    return status;
  session_ = session;
  type_ = AskSessionType();
  JournexEntry::Note("OpenResource", kModule, "Note", "viOpen(" + resource + ")", {{"session", session_}});
  return SetTimeout(timeoutMilliseconds);
}

Status VisaBase::CloseResource() {
  Status status = 0;
  if (session_) status = Check("viClose", library_.Calls().viClose(session_));
  session_ = 0;
  if (resourceManager_) library_.Calls().viClose(resourceManager_);
  resourceManager_ = 0;
  return status;
}

Status VisaBase::WriteText(const std::string& text) {
  if (!IsOpen()) return kNotOpen;
  visa::ViUInt32 written = 0;
  const Status status = Check("viWrite", library_.Calls().viWrite(
                                             session_, reinterpret_cast<const unsigned char*>(text.data()),
                                             static_cast<visa::ViUInt32>(text.size()), &written));
  if (status) return status;
  return written < text.size() ? kNotAllWritten : 0;
}

Status VisaBase::ReadText(std::string* text, size_t count, bool exactCount) {
  text->clear();
  if (!IsOpen()) return kNotOpen;
  if (count == 0) return 0;
  std::vector<unsigned char> buffer(count);
  visa::ViUInt32 got = 0;
  const visa::ViStatus result =
      library_.Calls().viRead(session_, buffer.data(), static_cast<visa::ViUInt32>(count), &got);
  text->assign(reinterpret_cast<const char*>(buffer.data()), got < count ? got : count);
  if (result == visa::kErrorTimeout) {
    lastStatus_ = static_cast<uint32_t>(result);
    return kShortRead;
  }
  if (const Status status = Check("viRead", result)) return status;
  // A read of exactly the bytes expected stops at its count by design.
  if (result == visa::kSuccessMaxCount && exactCount && got == count) return 0;
  if (result == visa::kSuccessMaxCount && VisaResourceName::IsTcpip(resource_)) {
    JournexEntry::Note("ReadText", kModule, "Error", "The response of a TCPIP controlled device is larger than expected.",
                       {{"count", count}, {"Err", kResponseTooLarge}});
    return kResponseTooLarge;
  }
  return text->size() < count && result != visa::kSuccessMaxCount ? kShortRead : 0;
}

Status VisaBase::SetTimeout(uint32_t milliseconds) {
  timeout_ = milliseconds;
  if (!IsOpen()) return 0;
  return Check("viSetAttribute", library_.Calls().viSetAttribute(session_, visa::kAttrTimeout, milliseconds));
}

Status VisaBase::SetAttribute(visa::ViAttr attribute, visa::ViAttrState value) {
  if (!IsOpen()) return kNotOpen;
  return Check("viSetAttribute", library_.Calls().viSetAttribute(session_, attribute, value));
}

Status VisaBase::GetAttribute(visa::ViAttr attribute, uint32_t* value) {
  *value = 0;
  if (!IsOpen()) return kNotOpen;
  return Check("viGetAttribute", library_.Calls().viGetAttribute(session_, attribute, value));
}

Status VisaBase::ClearDevice() {
  if (!IsOpen()) return kNotOpen;
  return Check("viClear", library_.Calls().viClear(session_));
}

Status VisaBase::Flush(uint16_t mask) {
  if (!IsOpen()) return kNotOpen;
  const visa::ViStatus result = library_.Calls().viFlush(session_, mask);
  if (!visa::IsVisaStatus(static_cast<uint32_t>(result)) && result != visa::kSuccess)
    JournexEntry::Note("Flush", kModule, "Warning",
                       "viFlush returned a status code not within the valid VISA error or warning range",
                       {{"status", static_cast<uint32_t>(result)}});
  // The session has no buffer of that kind: there is nothing to flush.
  if (result == visa::kErrorInvalidMask || result == visa::kErrorOperationNotSupported) {
    JournexEntry::Note("Flush", kModule, "Note", "viFlush(" + resource_ + "): nothing of that kind to flush",
                       {{"mask", mask}, {"status", static_cast<uint32_t>(result)}});
    return 0;
  }
  return Check("viFlush", result);
}

VisaBase::SessionType VisaBase::AskSessionType() const {
  const VisaLibrary::Functions& f = library_.Calls();
  uint32_t interfaceType = 0;
  if (f.viGetAttribute(session_, visa::kAttrInterfaceType, &interfaceType) == visa::kSuccess)
    if ((interfaceType & 0xFFFF) == visa::kInterfaceSerial) return SessionType::Serial;
  char resourceClass[256] = {};
  if (f.viGetAttribute(session_, visa::kAttrResourceClass, resourceClass) == visa::kSuccess) {
    resourceClass[sizeof resourceClass - 1] = '\0';
    return std::string_view(resourceClass) == "SOCKET" ? SessionType::Socket : SessionType::Instrument;
  }
  std::string upper = resource_;
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  if (upper.starts_with("ASRL")) return SessionType::Serial;
  return upper.ends_with("::SOCKET") ? SessionType::Socket : SessionType::Instrument;
}

Status VisaBase::DiscardInput() {
  if (!IsOpen()) return kNotOpen;
  if (type_ == SessionType::Instrument) return Flush(visa::kReadBufferDiscard);
  Status status = Flush(visa::kReadBufferDiscard | visa::kIoInBufferDiscard);
  if (status || type_ != SessionType::Socket) return status;
  // Reads that do not wait take what is on the connection, until one finds nothing.
  status = Check("viSetAttribute", library_.Calls().viSetAttribute(session_, visa::kAttrTimeout, visa::kTimeoutImmediate));
  constexpr int kMostReads = 64;
  unsigned char buffer[4096];
  for (int i = 0; status == 0 && i < kMostReads; ++i) {
    visa::ViUInt32 got = 0;
    const visa::ViStatus result = library_.Calls().viRead(session_, buffer, sizeof buffer, &got);
    if (got == 0 || (visa::IsError(static_cast<uint32_t>(result)) && result != visa::kErrorTimeout)) break;
  }
  return FirstError(status, SetTimeout(timeout_));
}

std::string VisaBase::ErrorText(Status status) const {
  switch (status) {
    case kNotOpen: return "The VISA resource is not open.";
    case kShortRead: return "Fewer characters were read than requested (time-out).";
    case kNotAllWritten: return "Not all characters were written.";
    case kResponseTooLarge: return "The response of a TCPIP controlled device is larger than expected.";
    case DRV_ERR_VISA_NOT_FOUND: return "Could not find VISA32.DLL. Is VISA installed?";
    default: break;
  }
  if (visa::IsVisaStatus(status)) return library_.StatusText(session_, status);
  return {};
}
