// The simulated VISA library: the VISA calls the module resolves. GPIB and
// TCPIP resources reach swmsim's instruments through the bus socket; serial
// resources (ASRLn::INSTR) open the COMn links of $SWMATRIX_PORTS. Aliases
// such as "COM3" are not known (callers fall back to ASRL3::INSTR). Locks
// hold between the sessions of one process (VisaLocks.h); of the events
// only the service request is offered, through the queue mechanism.
#include <cctype>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "sim/libs/visa/VisaLocks.h"
#include "sim/libs/visa/VisaResources.h"
#include "sim/libs/visa/VisaSession.h"

using namespace simlib::visa;

namespace {

std::mutex tableLock;
std::map<ViSession, std::shared_ptr<VisaSession>>& Sessions() {
  static std::map<ViSession, std::shared_ptr<VisaSession>> sessions;
  return sessions;
}
ViSession nextSession = 1;

std::shared_ptr<VisaSession> Find(ViSession vi) {
  std::lock_guard guard(tableLock);
  auto found = Sessions().find(vi);
  return found == Sessions().end() ? nullptr : found->second;
}

// The session for an input or output operation: VI_ERROR_RSRC_LOCKED while
// another session holds a lock on its resource.
std::shared_ptr<VisaSession> FindForIo(ViSession vi, ViStatus* status) {
  std::shared_ptr<VisaSession> session = Find(vi);
  *status = !session ? kErrorInvalidObject : LockedOut(session->Resource(), vi) ? kErrorResourceLocked : kSuccess;
  return *status == kSuccess ? session : nullptr;
}

ViSession Store(std::shared_ptr<VisaSession> session) {
  std::lock_guard guard(tableLock);
  const ViSession id = nextSession++;
  Sessions()[id] = std::move(session);
  return id;
}

// The names a search found that viFindNext has still to hand out.
std::map<ViSession, std::vector<std::string>>& FindLists() {
  static std::map<ViSession, std::vector<std::string>> lists;
  return lists;
}

// Copies a name into a caller's buffer of the standard 256 characters.
void CopyName(const std::string& name, char* buffer) {
  if (!buffer) return;
  std::strncpy(buffer, name.c_str(), 255);
  buffer[255] = '\0';
}

std::string Upper(const char* text);

// A LAN instrument is known by its short name (TCPIP0::host::INSTR) and by
// its full one (TCPIP0::host::inst0::INSTR): the other spelling of a name.
std::string OtherLanSpelling(const std::string& resource) {
  constexpr std::string_view kFull = "::INST0::INSTR";
  if (!resource.starts_with("TCPIP")) return "";
  if (resource.ends_with(kFull)) return resource.substr(0, resource.size() - kFull.size()) + "::INSTR";
  const std::optional<ParsedResource> parsed = ParseResource(resource);
  if (parsed && parsed->resourceClass == "INSTR" && Upper(parsed->expanded.c_str()) != resource)
    return Upper(parsed->expanded.c_str());
  return "";
}

std::string Upper(const char* text) {
  std::string upper;
  for (const char* c = text; *c; ++c) upper.push_back(static_cast<char>(std::toupper(static_cast<unsigned char>(*c))));
  return upper;
}

// The kind of a resource name; false for a name that is not a resource.
bool Classify(const std::string& name, VisaSession::Kind* kind) {
  if (name.starts_with("ASRL") && name.ends_with("::INSTR") && name.size() > 11 &&
      name.find_first_not_of("0123456789", 4) == name.size() - 7) {
    *kind = VisaSession::Kind::kSerial;
    return true;
  }
  if ((name.starts_with("GPIB") || name.starts_with("TCPIP")) && name.find("::") != std::string::npos) {
    *kind = VisaSession::Kind::kBus;
    return true;
  }
  return false;
}

// "GPIB::" is "GPIB0::" and "TCPIP::" is "TCPIP0::".
std::string Normalise(std::string name) {
  for (const std::string family : {"GPIB", "TCPIP"})
    if (name.starts_with(family + "::")) return family + "0" + name.substr(family.size());
  return name;
}

const struct {
  ViStatus status;
  const char* text;
} kDescriptions[] = {
    {kSuccess, "Operation completed successfully."},
    {kSuccessTermChar, "The specified termination character was read."},
    {kSuccessMaxCount, "The number of bytes read is equal to the input count."},
    {kErrorSystem, "Unknown system error (miscellaneous error)."},
    {kErrorInvalidObject, "The given session or object reference is invalid."},
    {kErrorResourceNotFound, "Insufficient location information or the requested device or resource is not present in the system."},
    {kErrorInvalidResourceName, "Invalid resource reference specified. Parsing error."},
    {kErrorTimeout, "Timeout expired before operation completed."},
    {kErrorAttributeNotSupported, "The specified attribute is not defined or supported by the referenced resource."},
    {kErrorAttributeStateNotSupported, "The specified state of the attribute is not valid, or is not supported as defined by the resource."},
    {kErrorResourceLocked, "Specified type of lock cannot be obtained, or specified operation cannot be performed, because the resource is locked."},
    {kErrorInvalidLockType, "The specified type of lock is not supported by this resource."},
    {kErrorInvalidEvent, "Specified event type is not supported by the resource."},
    {kErrorInvalidMechanism, "Invalid mechanism specified."},
    {kErrorHandlerNotInstalled, "A handler was not installed."},
    {kErrorNotEnabled, "You must be enabled for events of the specified type in order to receive them."},
    {kErrorInvalidMask, "Invalid buffer mask specified."},
    {kErrorIo, "Could not perform operation because of I/O error."},
    {kErrorNoListeners, "No listeners condition is detected (both NRFD and NDAC are deasserted)."},
    {kErrorOperationNotSupported, "The given session or object reference does not support this operation."},
    {kErrorInvalidProtocol, "The protocol specified is invalid."},
    {kErrorInvalidMode, "The specified mode is invalid."},
    {kErrorSessionNotLocked, "The current session did not have a lock on the resource."},
};

}  // namespace

extern "C" {

ViStatus viClose(ViSession vi);

ViStatus viOpenDefaultRM(ViSession* vi) {
  if (!vi) return kErrorInvalidObject;
  *vi = Store(std::make_shared<VisaSession>(VisaSession::Kind::kManager, ""));
  return kSuccess;
}

ViStatus viOpen(ViSession manager, const char* name, ViUInt32 mode, ViUInt32 timeoutMs, ViSession* vi) {
  if (vi) *vi = 0;
  const std::shared_ptr<VisaSession> owner = Find(manager);
  if (!owner || owner->SessionKind() != VisaSession::Kind::kManager || !vi) return kErrorInvalidObject;
  if (!name || !*name) return kErrorInvalidResourceName;
  std::string resource = Normalise(Upper(name));
  // GPIB names in any spelling (GPIB::4, GPIB0::4::0::INSTR) as the bus knows them.
  if (const std::optional<ParsedResource> parsed = ParseResource(resource); parsed && parsed->interfaceType == 1)
    resource = parsed->expanded;
  VisaSession::Kind kind;
  if (!Classify(resource, &kind)) return kErrorResourceNotFound;  // unknown aliases included
  auto session = std::make_shared<VisaSession>(kind, resource);
  ViStatus status = session->Open();
  if (status == kErrorResourceNotFound && kind == VisaSession::Kind::kBus && !OtherLanSpelling(resource).empty()) {
    session = std::make_shared<VisaSession>(kind, OtherLanSpelling(resource));
    status = session->Open();
  }
  if (status < 0) return status;
  const std::string opened = session->Resource();
  const ViSession id = Store(std::move(session));
  if (mode & (kExclusiveLock | kSharedLock)) {
    const ViUInt32 type = mode & kExclusiveLock ? kExclusiveLock : kSharedLock;
    if (const ViStatus locked = LockResource(opened, id, type, timeoutMs, nullptr, nullptr); locked < 0) {
      viClose(id);
      return locked;
    }
  }
  *vi = id;
  return kSuccess;
}

ViStatus viClose(ViSession vi) {
  std::lock_guard guard(tableLock);
  if (FindLists().erase(vi)) return kSuccess;
  auto found = Sessions().find(vi);
  if (found == Sessions().end()) return kErrorInvalidObject;
  Sessions().erase(found);
  DropLocks(vi);
  return kSuccess;
}

ViStatus viWrite(ViSession vi, const unsigned char* buffer, ViUInt32 count, ViUInt32* written) {
  ViUInt32 sent = 0;
  ViStatus status = kSuccess;
  const std::shared_ptr<VisaSession> session = FindForIo(vi, &status);
  if (session) status = session->Write(std::string(reinterpret_cast<const char*>(buffer), buffer ? count : 0), &sent);
  if (written) *written = sent;
  return status;
}

ViStatus viRead(ViSession vi, unsigned char* buffer, ViUInt32 count, ViUInt32* read) {
  std::string bytes;
  ViStatus status = kSuccess;
  const std::shared_ptr<VisaSession> session = FindForIo(vi, &status);
  if (session) status = session->Read(buffer ? count : 0, &bytes);
  if (buffer) std::memcpy(buffer, bytes.data(), bytes.size());
  if (read) *read = static_cast<ViUInt32>(bytes.size());
  return status;
}

ViStatus viReadSTB(ViSession vi, ViUInt16* status) {
  ViStatus result = kSuccess;
  const std::shared_ptr<VisaSession> session = FindForIo(vi, &result);
  if (!session || !status) return session ? kErrorInvalidObject : result;
  return session->ReadStatusByte(status);
}

ViStatus viAssertTrigger(ViSession vi, ViUInt16 protocol) {
  ViStatus status = kSuccess;
  const std::shared_ptr<VisaSession> session = FindForIo(vi, &status);
  return session ? session->AssertTrigger(protocol) : status;
}

ViStatus viGpibControlREN(ViSession vi, ViUInt16 mode) {
  ViStatus status = kSuccess;
  const std::shared_ptr<VisaSession> session = FindForIo(vi, &status);
  return session ? session->ControlRemoteEnable(mode) : status;
}

ViStatus viGetAttribute(ViSession vi, ViAttr attribute, void* value) {
  const std::shared_ptr<VisaSession> session = Find(vi);
  return session ? session->GetAttribute(attribute, value) : kErrorInvalidObject;
}

ViStatus viSetAttribute(ViSession vi, ViAttr attribute, ViAttrState value) {
  const std::shared_ptr<VisaSession> session = Find(vi);
  return session ? session->SetAttribute(attribute, value) : kErrorInvalidObject;
}

ViStatus viClear(ViSession vi) {
  ViStatus status = kSuccess;
  const std::shared_ptr<VisaSession> session = FindForIo(vi, &status);
  return session ? session->Clear() : status;
}

ViStatus viFlush(ViSession vi, ViUInt16 mask) {
  ViStatus status = kSuccess;
  const std::shared_ptr<VisaSession> session = FindForIo(vi, &status);
#ifdef SWMSIM_VISA_MINIMAL
  (void)mask;
  return session ? kErrorOperationNotSupported : status;  // it keeps no buffers of its own
#else
  return session ? session->Flush(mask) : status;
#endif
}

ViStatus viSetBuf(ViSession vi, ViUInt16 mask, ViUInt32) {
  if (!Find(vi)) return kErrorInvalidObject;
  const ViUInt16 known = kReadBuffer | kWriteBuffer | kIoInBuffer | kIoOutBuffer;
  return mask == 0 || (mask & ~known) ? kErrorInvalidMask : kSuccess;
}

ViStatus viStatusDesc(ViSession, ViStatus status, char* description) {
  if (!description) return kErrorInvalidObject;
  for (const auto& entry : kDescriptions) {
    if (entry.status == status) {
      std::strncpy(description, entry.text, 255);
      description[255] = '\0';
      return kSuccess;
    }
  }
  std::strcpy(description, "Unknown status code.");
  return kWarnUnknownStatus;
}

ViStatus viEnableEvent(ViSession vi, uint32_t eventType, ViUInt16 mechanism, ViUInt32) {
  const std::shared_ptr<VisaSession> session = Find(vi);
  return session ? session->EnableEvent(eventType, mechanism) : kErrorInvalidObject;
}

ViStatus viDisableEvent(ViSession vi, uint32_t eventType, ViUInt16 mechanism) {
  const std::shared_ptr<VisaSession> session = Find(vi);
  return session ? session->DisableEvent(eventType, mechanism) : kErrorInvalidObject;
}

ViStatus viDiscardEvents(ViSession vi, uint32_t eventType, ViUInt16 mechanism) {
  const std::shared_ptr<VisaSession> session = Find(vi);
  return session ? session->DiscardEvents(eventType, mechanism) : kErrorInvalidObject;
}

// An event taken from the queue comes with its context, which the caller
// closes with viClose; without a place for the context it is closed at once.
ViStatus viWaitOnEvent(ViSession vi, uint32_t eventType, ViUInt32 timeoutMs, uint32_t* outType,
                       ViSession* outContext) {
  if (outType) *outType = 0;
  if (outContext) *outContext = 0;
  const std::shared_ptr<VisaSession> session = Find(vi);
  if (!session) return kErrorInvalidObject;
  uint32_t type = 0;
  const ViStatus status = session->WaitOnEvent(eventType, timeoutMs, &type);
  if (status != kSuccess) return status;
  if (outType) *outType = type;
  if (outContext) {
    auto context = std::make_shared<VisaSession>(VisaSession::Kind::kEvent, session->Resource());
    context->SetEventType(type);
    *outContext = Store(std::move(context));
  }
  return status;
}

ViStatus viLock(ViSession vi, ViUInt32 type, ViUInt32 timeoutMs, const char* requestedKey, char* accessKey) {
  const std::shared_ptr<VisaSession> session = Find(vi);
  if (!session || session->SessionKind() == VisaSession::Kind::kManager ||
      session->SessionKind() == VisaSession::Kind::kEvent)
    return kErrorInvalidObject;
  return LockResource(session->Resource(), vi, type, timeoutMs, requestedKey, accessKey);
}

ViStatus viFindRsrc(ViSession manager, const char* expression, ViSession* list, ViUInt32* count, char* first) {
  if (list) *list = 0;
  if (count) *count = 0;
  const std::shared_ptr<VisaSession> owner = Find(manager);
  if (!owner || owner->SessionKind() != VisaSession::Kind::kManager) return kErrorInvalidObject;
  std::vector<std::string> all, found;
  if (!ListResources(&all)) return kErrorResourceNotFound;
  for (const std::string& name : all)
    if (MatchesExpression(expression ? expression : "", name)) found.push_back(name);
  if (found.empty()) return kErrorResourceNotFound;
  if (count) *count = static_cast<ViUInt32>(found.size());
  CopyName(found.front(), first);
  std::lock_guard guard(tableLock);
  const ViSession id = nextSession++;
  FindLists()[id] = std::vector<std::string>(found.begin() + 1, found.end());
  if (list) *list = id;
  return kSuccess;
}

ViStatus viFindNext(ViSession list, char* next) {
  std::lock_guard guard(tableLock);
  auto found = FindLists().find(list);
  if (found == FindLists().end()) return kErrorInvalidObject;
  if (found->second.empty()) return kErrorResourceNotFound;
  CopyName(found->second.front(), next);
  found->second.erase(found->second.begin());
  return kSuccess;
}

ViStatus viParseRsrcEx(ViSession manager, const char* name, ViUInt16* type, ViUInt16* number, char* resourceClass,
                       char* expanded, char* alias) {
  const std::shared_ptr<VisaSession> owner = Find(manager);
  if (!owner || owner->SessionKind() != VisaSession::Kind::kManager) return kErrorInvalidObject;
  if (!name) return kErrorInvalidResourceName;
  const std::optional<ParsedResource> parsed = ParseResource(name);
  // A name of no resource syntax would be an alias, and there are none.
  if (!parsed) return std::string(name).find("::") == std::string::npos ? kErrorResourceNotFound
                                                                           : kErrorInvalidResourceName;
  if (type) *type = parsed->interfaceType;
  if (number) *number = parsed->interfaceNumber;
  CopyName(parsed->resourceClass, resourceClass);
  CopyName(parsed->expanded, expanded);
  CopyName("", alias);
  return kSuccess;
}

ViStatus viParseRsrc(ViSession manager, const char* name, ViUInt16* type, ViUInt16* number) {
  return viParseRsrcEx(manager, name, type, number, nullptr, nullptr, nullptr);
}

ViStatus viUnlock(ViSession vi) {
  const std::shared_ptr<VisaSession> session = Find(vi);
  return session ? UnlockResource(session->Resource(), vi) : kErrorInvalidObject;
}

}  // extern "C"
