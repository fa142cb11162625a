#pragma once
// Status codes of the legacy GPIB access, the conversion of NI-488.2 error
// numbers into them, and a built-in English text for each.
#include <cstdint>
#include <string>

#include "framework/Status.h"

namespace gpibstatus {

constexpr Status kOtherError = 0x300001F7;        // any NI-488.2 error without a code of its own
constexpr Status kSendTimedOut = 0x3000019A;      // the service-request handshake timed out
constexpr Status kWaitTimedOut = 0x3000019D;      // the wait for the handshake ran out
constexpr Status kErrorBase = 0x30000208;         // + n for error n = 0 (EDVR) to 8 (EDMA)
constexpr Status kEOIP = 0x30000211;
constexpr Status kECAP = 0x30000212;
constexpr Status kEFSO = 0x30000213;
constexpr Status kEBUS = 0x30000214;
constexpr Status kESTB = 0x30000215;
constexpr Status kESRQ = 0x30000216;
constexpr Status kETAB = 0x30000217;
constexpr Status kLibraryNotLoaded = 0x3000022E;   // the NI-488.2 library cannot be loaded
constexpr Status kELCK = 0x30000230;
constexpr Status kEARM = 0x30000231;
constexpr Status kEHDL = 0x30000232;
constexpr Status kEWIP = 0x30000233;
constexpr Status kERST = 0x30000234;
constexpr Status kAddressIsBoards = 0x30000235;    // the device's primary address is the board's
constexpr Status kEPWR = 0x30000236;
constexpr Status kVersionTooOld = 0x30000237;      // NI-488.2 major version 2 or lower
constexpr Status kSrqProtocolError = 0x30000238;   // the handshake went wrong; the text is sent again
constexpr Status kDeviceError = 0x30000239;        // the device reported an error (SYST:ERR?)
constexpr Status kVersionTooLow = 0x3000023A;      // NI-488.2 major version 3 to 14
constexpr Status kDriverE1080080 = 0x3000023B;     // EDVR refined by the driver's error code
constexpr Status kDriverE1060071 = 0x3000023C;
constexpr Status kDriverE1060075 = 0x3000023D;
constexpr Status kDriverE1060078 = 0x3000023E;
constexpr Status kDriverE1060077 = 0x3000023F;
constexpr Status kDriverE1080086 = 0x30000240;
constexpr Status kDriverE00A0047 = 0x30000241;
constexpr Status kSrqLibraryNotLoaded = 0x30000246;  // the service-request library cannot be loaded
constexpr Status kNoRegisterSrqHandler = 0x30000247;  // the service-request library cannot register
constexpr Status kDeviceNotOpen = 0x30000248;      // a write or read on a device not opened (or whose opening failed)

// NI-488.2 error numbers (iberr).
enum GpibError : int {
  EDVR = 0, ECIC = 1, ENOL = 2, EADR = 3, EARG = 4, ESAC = 5, EABO = 6, ENEB = 7, EDMA = 8,
  EOIP = 10, ECAP = 11, EFSO = 12, EBUS = 14, ESTB = 15, ESRQ = 16, ETAB = 20, ELCK = 21,
  EARM = 22, EHDL = 23, EWIP = 26, ERST = 27, EPWR = 28
};

// The status of an NI-488.2 error; for EDVR the driver error in ibcntl refines
// it, and an errno there (1 to 4095, as linux-gpib gives) becomes the system error.
Status FromError(int error, long count);
// The built-in text of a GPIB status; empty for a code that is not one.
std::string Text(Status status);
// True for every code listed above.
bool IsGpibStatus(Status status);

}  // namespace gpibstatus
