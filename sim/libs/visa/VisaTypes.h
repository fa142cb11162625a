#pragma once
// The VISA types, status codes and attributes the simulated VISA library
// uses, with the standard values (64-bit Linux sizes).
#include <cstdint>

namespace simlib::visa {

using ViStatus = int32_t;
using ViSession = uint32_t;
using ViUInt32 = uint32_t;
using ViUInt16 = uint16_t;
using ViAttr = uint32_t;
using ViAttrState = uint64_t;

constexpr ViStatus kSuccess = 0;
constexpr ViStatus kSuccessEventEnabled = 0x3FFF0002;
constexpr ViStatus kSuccessEventDisabled = 0x3FFF0003;
constexpr ViStatus kSuccessQueueEmpty = 0x3FFF0004;
constexpr ViStatus kSuccessTermChar = 0x3FFF0005;
constexpr ViStatus kSuccessMaxCount = 0x3FFF0006;
constexpr ViStatus kWarnUnknownStatus = 0x3FFF0085;
constexpr ViStatus kSuccessNestedShared = 0x3FFF0099;
constexpr ViStatus kSuccessNestedExclusive = 0x3FFF009A;
constexpr ViStatus Error(uint32_t code) { return static_cast<ViStatus>(code); }
constexpr ViStatus kErrorSystem = Error(0xBFFF0000);
constexpr ViStatus kErrorInvalidObject = Error(0xBFFF000E);
constexpr ViStatus kErrorResourceLocked = Error(0xBFFF000F);
constexpr ViStatus kErrorResourceNotFound = Error(0xBFFF0011);
constexpr ViStatus kErrorInvalidResourceName = Error(0xBFFF0012);
constexpr ViStatus kErrorTimeout = Error(0xBFFF0015);
constexpr ViStatus kErrorAttributeNotSupported = Error(0xBFFF001D);
constexpr ViStatus kErrorAttributeStateNotSupported = Error(0xBFFF001E);
constexpr ViStatus kErrorInvalidLockType = Error(0xBFFF0020);
constexpr ViStatus kErrorInvalidEvent = Error(0xBFFF0026);
constexpr ViStatus kErrorInvalidMechanism = Error(0xBFFF0027);
constexpr ViStatus kErrorHandlerNotInstalled = Error(0xBFFF0028);
constexpr ViStatus kErrorNotEnabled = Error(0xBFFF002F);
constexpr ViStatus kErrorInvalidMask = Error(0xBFFF003D);
constexpr ViStatus kErrorIo = Error(0xBFFF003E);
constexpr ViStatus kErrorNoListeners = Error(0xBFFF005F);
constexpr ViStatus kErrorOperationNotSupported = Error(0xBFFF0067);
constexpr ViStatus kErrorInvalidProtocol = Error(0xBFFF0079);
constexpr ViStatus kErrorInvalidMode = Error(0xBFFF0091);
constexpr ViStatus kErrorSessionNotLocked = Error(0xBFFF009C);

constexpr ViAttr kAttrResourceClass = 0xBFFF0001;
constexpr ViAttr kAttrResourceName = 0xBFFF0002;
constexpr ViAttr kAttrSendEndEnabled = 0x3FFF0016;
constexpr ViAttr kAttrTermChar = 0x3FFF0018;
constexpr ViAttr kAttrTimeout = 0x3FFF001A;
constexpr ViAttr kAttrBaud = 0x3FFF0021;
constexpr ViAttr kAttrDataBits = 0x3FFF0022;
constexpr ViAttr kAttrParity = 0x3FFF0023;
constexpr ViAttr kAttrStopBits = 0x3FFF0024;
constexpr ViAttr kAttrFlowControl = 0x3FFF0025;
constexpr ViAttr kAttrTermCharEnabled = 0x3FFF0038;
constexpr ViAttr kAttrEndIn = 0x3FFF00B3;
constexpr ViAttr kAttrInterfaceType = 0x3FFF0171;
constexpr ViAttr kAttrEventType = 0x3FFF4010;

constexpr ViUInt32 kTimeoutInfinite = 0xFFFFFFFF;
constexpr ViUInt16 kInterfaceGpib = 1, kInterfaceSerial = 4, kInterfaceTcpip = 6;
constexpr ViUInt16 kStopOne = 10, kStopTwo = 20;
constexpr ViUInt16 kEndNone = 0, kEndTermChar = 2;
constexpr uint32_t kEventServiceRequest = 0x3FFF200B;
constexpr uint32_t kAllEnabledEvents = 0x3FFF7FFF;
// Event mechanisms.
constexpr ViUInt16 kQueue = 1, kHandler = 2, kSuspendHandler = 4, kAllMechanisms = 0xFFFF;
// Lock types, the trigger protocol and the remote-enable modes.
constexpr ViUInt32 kExclusiveLock = 1, kSharedLock = 2;
constexpr ViUInt16 kTriggerProtocolDefault = 0;
constexpr ViUInt16 kRenDeassert = 0, kRenAssert = 1, kRenDeassertGoToLocal = 2, kRenAssertAddress = 3,
                   kRenAssertLocalLockout = 4, kRenAssertAddressLocalLockout = 5, kRenAddressGoToLocal = 6;
// viFlush and viSetBuf masks.
constexpr ViUInt16 kReadBuffer = 1, kWriteBuffer = 2, kReadBufferDiscard = 4, kWriteBufferDiscard = 8,
                   kIoInBuffer = 16, kIoOutBuffer = 32, kIoInBufferDiscard = 64,
                   kIoOutBufferDiscard = 128;

}  // namespace simlib::visa
