#pragma once
// The VISA types, status codes and attributes the legacy VISA access uses
// (values of the VISA standard).
#include <cstdint>

namespace visa {

using ViStatus = int32_t;
using ViSession = uint32_t;
using ViObject = uint32_t;
using ViAttr = uint32_t;
using ViAttrState = uint64_t;  // wide enough for every attribute value on 64-bit systems
using ViEventType = uint32_t;
using ViEvent = uint32_t;
using ViAccessMode = uint32_t;
using ViUInt32 = uint32_t;
using ViUInt16 = uint16_t;

constexpr ViStatus kSuccess = 0;
constexpr ViStatus kSuccessTermChar = 0x3FFF0005;
constexpr ViStatus kSuccessMaxCount = 0x3FFF0006;
constexpr ViStatus kErrorSystem = static_cast<ViStatus>(0xBFFF0000u);
constexpr ViStatus kErrorInvalidObject = static_cast<ViStatus>(0xBFFF000Eu);
constexpr ViStatus kErrorResourceNotFound = static_cast<ViStatus>(0xBFFF0011u);
constexpr ViStatus kErrorInvalidResourceName = static_cast<ViStatus>(0xBFFF0012u);
constexpr ViStatus kErrorTimeout = static_cast<ViStatus>(0xBFFF0015u);
constexpr ViStatus kErrorUnsupportedAttribute = static_cast<ViStatus>(0xBFFF001Du);
constexpr ViStatus kErrorUnsupportedAttributeState = static_cast<ViStatus>(0xBFFF001Eu);
constexpr ViStatus kErrorInputProtocolViolation = static_cast<ViStatus>(0xBFFF0037u);
constexpr ViStatus kErrorInvalidMask = static_cast<ViStatus>(0xBFFF003Du);
constexpr ViStatus kErrorIo = static_cast<ViStatus>(0xBFFF003Eu);
constexpr ViStatus kErrorOperationNotSupported = static_cast<ViStatus>(0xBFFF0067u);
constexpr ViStatus kErrorMachineNotAvailable = static_cast<ViStatus>(0xBFFF00A7u);

constexpr ViAttr kAttrResourceClass = 0xBFFF0001;  // text of up to 256 characters
constexpr ViAttr kAttrInterfaceType = 0x3FFF0171;
constexpr ViAttr kAttrTermChar = 0x3FFF0018;
constexpr ViAttr kAttrTimeout = 0x3FFF001A;
constexpr ViAttr kAttrTermCharEnabled = 0x3FFF0038;
constexpr ViAttr kAttrSerialBaud = 0x3FFF0021;
constexpr ViAttr kAttrSerialDataBits = 0x3FFF0022;
constexpr ViAttr kAttrSerialParity = 0x3FFF0023;
constexpr ViAttr kAttrSerialStopBits = 0x3FFF0024;
constexpr ViAttr kAttrSerialFlowControl = 0x3FFF0025;
constexpr ViAttr kAttrSerialEndIn = 0x3FFF00B3;
constexpr ViAttr kAttrSerialAvailable = 0x3FFF00AC;  // received bytes waiting

constexpr uint32_t kStopOne = 10, kStopOneAndHalf = 15, kStopTwo = 20;
constexpr uint32_t kFlowNone = 0, kFlowRtsCts = 2;
constexpr uint32_t kEndNone = 0, kEndTermChar = 2;
constexpr uint32_t kInterfaceSerial = 4;
constexpr uint32_t kTimeoutImmediate = 0;
constexpr uint16_t kReadBufferDiscard = 4, kWriteBufferDiscard = 8, kIoInBufferDiscard = 64,
                   kIoOutBufferDiscard = 128;
constexpr ViAccessMode kNoLock = 0;

// Error codes lie in 0xBFFF0000..0xBFFFFFFF, warnings (completion codes) in 0x3FFF0000..0x3FFFFFFF.
constexpr bool IsError(uint32_t status) { return (status & 0xFFFF0000u) == 0xBFFF0000u; }
constexpr bool IsWarning(uint32_t status) { return (status & 0xFFFF0000u) == 0x3FFF0000u; }
constexpr bool IsVisaStatus(uint32_t status) { return IsError(status) || IsWarning(status); }

}  // namespace visa
