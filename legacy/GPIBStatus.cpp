#include "legacy/GPIBStatus.h"

#include "legacy/SystemErrorStatus.h"


namespace gpibstatus {
namespace {

struct Entry {
  Status status;
  const char* text;
};

constexpr Entry kTexts[] = {
    {kOtherError, "GPIB error: the GPIB library reported an error that has no description."},
    {kSendTimedOut, "GPIB time-out: the device did not report that the operation was complete in time."},
    {kWaitTimedOut, "GPIB time-out: waiting for the service request of the device ran out of time."},
    {kErrorBase + EDVR, "GPIB error EDVR: system error. The GPIB driver or interface is not available."},
    {kErrorBase + ECIC, "GPIB error ECIC: the GPIB interface is not the controller-in-charge."},
    {kErrorBase + ENOL, "GPIB error ENOL: no listener on the bus. Check the address and that the device is switched on and connected."},
    {kErrorBase + EADR, "GPIB error EADR: the GPIB interface is not addressed correctly."},
    {kErrorBase + EARG, "GPIB error EARG: invalid argument to a GPIB function call."},
    {kErrorBase + ESAC, "GPIB error ESAC: the GPIB interface is not the system controller."},
    {kErrorBase + EABO, "GPIB error EABO: the I/O operation was aborted (time-out)."},
    {kErrorBase + ENEB, "GPIB error ENEB: the GPIB interface does not exist."},
    {kErrorBase + EDMA, "GPIB error EDMA: DMA error."},
    {kEOIP, "GPIB error EOIP: an asynchronous I/O operation is in progress."},
    {kECAP, "GPIB error ECAP: the GPIB interface or driver does not have this capability."},
    {kEFSO, "GPIB error EFSO: file system error."},
    {kEBUS, "GPIB error EBUS: GPIB bus error while sending command bytes."},
    {kESTB, "GPIB error ESTB: status bytes of the serial poll were lost."},
    {kESRQ, "GPIB error ESRQ: the service request line is stuck on."},
    {kETAB, "GPIB error ETAB: the table of a device search is full or a listener problem occurred."},
    {kLibraryNotLoaded, "The GPIB library (NI-488.2) cannot be loaded. Is the GPIB software installed?"},
    {kELCK, "GPIB error ELCK: the interface or device is locked by another process."},
    {kEARM, "GPIB error EARM: the notification could not be re-armed."},
    {kEHDL, "GPIB error EHDL: the GPIB handle (descriptor) is invalid."},
    {kEWIP, "GPIB error EWIP: a wait is already in progress on this descriptor."},
    {kERST, "GPIB error ERST: the notification was cancelled by an interface reset."},
    {kAddressIsBoards, "The primary address of the device is the address of the GPIB interface itself. Choose another address."},
    {kEPWR, "GPIB error EPWR: the GPIB interface lost power."},
    {kVersionTooOld, "The installed NI-488.2 library is far too old (major version 2 or lower). Please install a newer version."},
    {kSrqProtocolError, "GPIB service-request protocol error: the device did not confirm the command; it was sent again."},
    {kVersionTooLow, "The version of the installed NI-488.2 library is too low (version 15 or higher is needed)."},
    {kDriverE1080080, "GPIB driver error (EDVR, driver code 0xE1080080 or 0xE1080081): the GPIB interface cannot be accessed."},
    {kDriverE1060071, "GPIB driver error (EDVR, driver code 0xE1060071): the GPIB interface is not configured."},
    {kDriverE1060075, "GPIB driver error (EDVR, driver code 0xE1060075): the GPIB interface is not present."},
    {kDriverE1060078, "GPIB driver error (EDVR, driver code 0xE1060078): the GPIB interface is in use or not ready."},
    {kDriverE1060077, "GPIB driver error (EDVR, driver code 0xE1060077): the GPIB interface name is unknown."},
    {kDriverE1080086, "GPIB driver error (EDVR, driver code 0xE1080086): the GPIB driver service is not running."},
    {kDriverE00A0047, "GPIB driver error (EDVR, driver code 0xE00A0047): the GPIB driver is out of resources."},
    {kSrqLibraryNotLoaded, "The GPIB service-request library cannot be loaded."},
    {kNoRegisterSrqHandler, "The GPIB service-request library cannot register the device (RegisterSRQHandler is missing)."},
    {kDeviceError, "Specific System Error: %s"},
    {kDeviceNotOpen, "The GPIB device is not open: initialise the driver (or its initialisation failed)."},
};

}  // namespace

Status FromError(int error, long count) {
  if (error >= EDVR && error <= EDMA) {
    if (error == EDVR) {
      switch (static_cast<uint32_t>(count)) {
        case 0xE1060071u: return kDriverE1060071;
        case 0xE1060075u: return kDriverE1060075;
        case 0xE1060077u: return kDriverE1060077;
        case 0xE1060078u: return kDriverE1060078;
        case 0xE1080080u:
        case 0xE1080081u: return kDriverE1080080;
        case 0xE1080086u: return kDriverE1080086;
        case 0xE00A0047u: return kDriverE00A0047;
        default: break;
      }
      // linux-gpib gives the system's error number of a board it cannot open.
      if (count > 0 && count < 4096) return systemerror::ToStatus(static_cast<int>(count));
    }
    return kErrorBase + static_cast<Status>(error);
  }
  switch (error) {
    case EOIP: return kEOIP;
    case ECAP: return kECAP;
    case EFSO: return kEFSO;
    case EBUS: return kEBUS;
    case ESTB: return kESTB;
    case ESRQ: return kESRQ;
    case ETAB: return kETAB;
    case ELCK: return kELCK;
    case EARM: return kEARM;
    case EHDL: return kEHDL;
    case EWIP: return kEWIP;
    case ERST: return kERST;
    case EPWR: return kEPWR;
    default: return kOtherError;
  }
}

std::string Text(Status status) {
  for (const Entry& entry : kTexts)
    if (entry.status == status) return entry.text;
  return {};
}

bool IsGpibStatus(Status status) { return !Text(status).empty(); }

}  // namespace gpibstatus
