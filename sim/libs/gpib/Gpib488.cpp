// The simulated GPIB library: the NI-488.2 calls the module resolves,
// carried over swmsim's bus socket to the simulated instruments. Each call
// sets the calling thread's status word, error and count (ThreadIbsta,
// ThreadIberr, ThreadIbcntl) and the process-wide ibsta, iberr, ibcnt and
// ibcntl; the status word has 0x8000 (ERR) set on failure. It is as strict
// as linux-gpib where a caller can go wrong: it offers neither ibfindW,
// ibnotify nor iblck, finds boards by their gpib.conf name exactly, hands
// out descriptors from a table of fixed size that only ibonl(ud, 0) empties
// and that keeps the entry of an open that failed (GpibUnits.h), answers a
// full table with ENEB, and aborts the process when two threads are inside
// calls that lock the board on one descriptor. With $SWMATRIX_GPIB_DEVICES
// set, a board is opened through its device file there (gpib0, gpib1, ...),
// as linux-gpib opens /dev/gpibN: a file that cannot be opened fails the
// open with EDVR and the system's error number in ibcntl.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "sim/libs/BusClient.h"
#include "sim/libs/gpib/GpibUnits.h"

namespace {

using simlib::BusAnswer;
using simlib::GpibUnit;

// Status word bits.
constexpr int kErr = 0x8000, kTimo = 0x4000, kEnd = 0x2000, kSrqi = 0x1000, kRqs = 0x0800,
              kCmpl = 0x0100;
// Error numbers.
constexpr int kEdvr = 0, kEnol = 2, kEarg = 4, kEabo = 6, kEneb = 7, kEcap = 11;
// ibask / ibconfig options used here.
constexpr int kOptionPad = 0x1, kOptionSad = 0x2, kOptionTmo = 0x3, kOptionEot = 0x4, kOptionAutopoll = 0x7,
              kOptionEosRead = 0xC, kOptionEosWrite = 0xD, kOptionEosCompare = 0xE,
              kOptionEosChar = 0xF;
// iblines bits for the service request line.
constexpr short kValidSrq = 0x20, kBusSrq = 0x2000;
// Extra time a bus request may take beyond the device's own time-out.
constexpr int kBusMarginMs = 5000;

thread_local int threadStatus = 0;
thread_local int threadError = 0;
thread_local long threadCount = 0;

int Finish(int status, int error = 0, long count = 0);

int Fail(int error, long count = 0) { return Finish(kErr, error, count); }

std::optional<GpibUnit> UnitOrFail(int descriptor) {
  std::optional<GpibUnit> unit = simlib::Unit(descriptor);
  if (!unit) {
    std::fprintf(stderr, "libgpib: invalid descriptor %d\n", descriptor);
    Fail(kEdvr);
  }
  return unit;
}

// Held for a call that locks the board; a second thread entering such a call
// on the same descriptor fails linux-gpib's assertion, which aborts.
class DescriptorCall {
public:
  explicit DescriptorCall(int descriptor) : descriptor_(descriptor) {
    if (simlib::TakeDescriptorLock(descriptor)) return;
    std::fprintf(stderr, "%s: ibutil.c: conf_lock_board: Assertion `conf->has_lock == 0' failed.\n",
                 program_invocation_short_name);
    std::abort();
  }
  ~DescriptorCall() { simlib::ReleaseDescriptorLock(descriptor_); }
  DescriptorCall(const DescriptorCall&) = delete;
  DescriptorCall& operator=(const DescriptorCall&) = delete;

private:
  const int descriptor_;
};

// 0 when the board's device file opens (or none is simulated), else errno.
int OpenBoardFile(int board) {
  const char* directory = std::getenv("SWMATRIX_GPIB_DEVICES");
  if (!directory || !*directory) return 0;
  const std::string path = std::string(directory) + "/gpib" + std::to_string(board);
  const int fd = open(path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    const int error = errno;
    std::fprintf(stderr, "libgpib: failed to open device file '%s'\n", path.c_str());
    return error;
  }
  close(fd);
  return 0;
}

std::string BoardName(const GpibUnit& unit) { return "GPIB" + std::to_string(unit.boardIndex); }

// One bus request; a bus that cannot be reached is "driver not installed".
bool Ask(const std::string& line, const std::string& payload, bool withPayload, int waitMs,
         BusAnswer* answer) {
  if (simlib::BusRequest(line, payload, withPayload, waitMs, answer)) return true;
  Fail(kEdvr);
  return false;
}

// The status of an error answer: a device that is not there or does not listen is ENOL.
int FailFromAnswer(const BusAnswer& answer) {
  const std::string what = answer.Word(1);
  return Fail(what == "nodevice" || what == "nolistener" ? kEnol : kEarg);
}

// A new descriptor for the unit, then the board opened. A full table fails
// as linux-gpib's does (ENEB); a board that cannot be opened fails with
// EDVR and errno in ibcntl, and its entry stays taken.
int NewDescriptor(const GpibUnit& unit, const char* caller) {
  const int descriptor = simlib::OpenDescriptor(unit);
  if (descriptor < 0) {
    std::fprintf(stderr, "libgpib: out of room in ibConfigs[]\nlibgpib: %s failed to get descriptor\n", caller);
    Fail(kEneb);
    return -1;
  }
  if (const int error = OpenBoardFile(unit.boardIndex)) {
    Fail(kEdvr, error);
    return -1;
  }
  Finish(kCmpl);
  return descriptor;
}

int WaitLimitMs(const GpibUnit& unit) {
  const int milliseconds = simlib::TimeoutMilliseconds(unit.timeoutCode);
  return milliseconds == 0 ? 3'600'000 : milliseconds;
}

int DeviceRequest(int ud, const std::string& verb) {
  const std::optional<GpibUnit> unit = UnitOrFail(ud);
  if (!unit) return threadStatus;
  if (unit->board) return Finish(kCmpl);
  BusAnswer answer;
  if (!Ask(verb + " " + unit->resource, "", false, kBusMarginMs, &answer)) return threadStatus;
  return answer.Ok() ? Finish(kCmpl) : FailFromAnswer(answer);
}

}  // namespace

extern "C" {

int ibsta = 0;
int iberr = 0;
int ibcnt = 0;
long ibcntl = 0;

int ThreadIbsta(void) { return threadStatus; }
int ThreadIberr(void) { return threadError; }
int ThreadIbcnt(void) { return static_cast<int>(threadCount); }
long ThreadIbcntl(void) { return threadCount; }

int ibfind(const char* name) {
  const std::optional<int> index = simlib::BoardNamed(name ? name : "");
  if (!index) {
    Fail(kEdvr);
    return -1;
  }
  const int descriptor = NewDescriptor(*simlib::Unit(*index), "ibfind");
  if (descriptor < 0) return -1;
  BusAnswer answer;
  if (!Ask("board GPIB" + std::to_string(*index), "", false, kBusMarginMs, &answer)) return -1;
  if (!answer.Ok()) {
    Fail(kEdvr);
    return -1;
  }
  return descriptor;
}

int ibdev(int board, int pad, int sad, int tmo, int eot, int eos) {
  if (board < 0 || board >= simlib::kBoardDescriptors || pad < 0 || pad > 30 ||
      (sad != 0 && (sad < 96 || sad > 126)) || tmo < 0 || tmo > 17) {
    Fail(kEarg);
    return -1;
  }
  if (!simlib::BoardConfigured(board)) {
    Fail(kEdvr);
    return -1;
  }
  GpibUnit unit;
  unit.boardIndex = board;
  unit.primary = pad;
  unit.secondary = sad;
  unit.timeoutCode = tmo;
  unit.eot = eot;
  unit.eos = eos;
  unit.resource = "GPIB" + std::to_string(board) + "::" + std::to_string(pad) +
                  (sad ? "::" + std::to_string(sad - 96) : "") + "::INSTR";
  return NewDescriptor(unit, "ibdev");
}

int ibonl(int ud, int v) {
  if (!UnitOrFail(ud)) return threadStatus;
  if (v == 0) simlib::CloseDescriptor(ud);
  return Finish(kCmpl);
}

int ibwrt(int ud, const void* buffer, long count) {
  const DescriptorCall call(ud);
  const std::optional<GpibUnit> unit = UnitOrFail(ud);
  if (!unit) return threadStatus;
  if (unit->board || count < 0 || (count > 0 && !buffer)) return Fail(kEarg);
  const std::string bytes(static_cast<const char*>(buffer), static_cast<size_t>(count));
  BusAnswer answer;
  if (!Ask("write " + unit->resource + " " + std::to_string(count), bytes, false, kBusMarginMs, &answer))
    return threadStatus;
  if (!answer.Ok()) return FailFromAnswer(answer);
  return Finish(kCmpl | kEnd, 0, count);
}

int ibrd(int ud, void* buffer, long count) {
  const DescriptorCall call(ud);
  const std::optional<GpibUnit> unit = UnitOrFail(ud);
  if (!unit) return threadStatus;
  if (unit->board || count < 0 || (count > 0 && !buffer)) return Fail(kEarg);
  const int waitMs = WaitLimitMs(*unit);
  BusAnswer answer;
  if (!Ask("read " + unit->resource + " " + std::to_string(count) + " " + std::to_string(waitMs), "",
           true, waitMs + kBusMarginMs, &answer))
    return threadStatus;
  if (!answer.Ok() && !answer.TimedOut()) return FailFromAnswer(answer);
  const long got = static_cast<long>(answer.payload.size());
  if (got > 0) answer.payload.copy(static_cast<char*>(buffer), answer.payload.size());
  if (answer.TimedOut()) return Finish(kErr | kTimo | kCmpl, kEabo, got);
  return Finish(kCmpl | (answer.Word(2) == "1" ? kEnd : 0), 0, got);
}

int ibclr(int ud) { return DeviceRequest(ud, "clear"); }
int ibtrg(int ud) { return DeviceRequest(ud, "trigger"); }

int ibloc(int ud) { return DeviceRequest(ud, "local"); }

int ibrsp(int ud, char* statusByte) {
  const std::optional<GpibUnit> unit = UnitOrFail(ud);
  if (!unit) return threadStatus;
  if (unit->board || !statusByte) return Fail(kEarg);
  BusAnswer answer;
  if (!Ask("poll " + unit->resource, "", false, kBusMarginMs, &answer)) return threadStatus;
  if (!answer.Ok()) return FailFromAnswer(answer);
  *statusByte = static_cast<char>(std::stoi(answer.Word(1)));
  return Finish(kCmpl, 0, 1);
}

int ibcmd(int ud, const void* buffer, long count) {
  const DescriptorCall call(ud);
  const std::optional<GpibUnit> unit = UnitOrFail(ud);
  if (!unit) return threadStatus;
  if (!unit->board || count < 0 || (count > 0 && !buffer)) return Fail(kEarg);
  const std::string bytes(static_cast<const char*>(buffer), static_cast<size_t>(count));
  BusAnswer answer;
  if (!Ask("command " + BoardName(*unit) + " " + std::to_string(count), bytes, false, kBusMarginMs,
           &answer))
    return threadStatus;
  return answer.Ok() ? Finish(kCmpl, 0, count) : FailFromAnswer(answer);
}

int ibsic(int ud) {
  const std::optional<GpibUnit> unit = UnitOrFail(ud);
  if (!unit) return threadStatus;
  if (!unit->board) return Fail(kEarg);
  BusAnswer answer;
  if (!Ask("ifc " + BoardName(*unit), "", false, kBusMarginMs, &answer)) return threadStatus;
  return answer.Ok() ? Finish(kCmpl) : FailFromAnswer(answer);
}

int ibtmo(int ud, int code) {
  std::optional<GpibUnit> unit = UnitOrFail(ud);
  if (!unit) return threadStatus;
  if (code < 0 || code > 17) return Fail(kEarg);
  const int previous = unit->timeoutCode;
  unit->timeoutCode = code;
  simlib::UpdateUnit(ud, *unit);
  return Finish(kCmpl, 0, previous);
}

int ibconfig(int ud, int option, int value) {
  std::optional<GpibUnit> unit = UnitOrFail(ud);
  if (!unit) return threadStatus;
  switch (option) {
    case kOptionTmo:
      if (value < 0 || value > 17) return Fail(kEarg);
      unit->timeoutCode = value;
      break;
    case kOptionEot: unit->eot = value; break;
    case kOptionEosChar: unit->eos = (unit->eos & ~0xFF) | (value & 0xFF); break;
    case kOptionAutopoll: {
      // Automatic serial polling is the board's, switched by any of its users.
      BusAnswer answer;
      if (!Ask("autopoll " + BoardName(*unit) + (value ? " 1" : " 0"), "", false, kBusMarginMs, &answer))
        return threadStatus;
      if (!answer.Ok()) return FailFromAnswer(answer);
      break;
    }
    default: break;  // accepted; the simulated bus has no use for it
  }
  simlib::UpdateUnit(ud, *unit);
  return Finish(kCmpl);
}

int ibask(int ud, int option, int* value) {
  const DescriptorCall call(ud);
  const std::optional<GpibUnit> unit = UnitOrFail(ud);
  if (!unit) return threadStatus;
  if (!value) return Fail(kEarg);
  switch (option) {
    case kOptionPad:
      if (unit->board) {
        BusAnswer answer;
        if (!Ask("board " + BoardName(*unit), "", false, kBusMarginMs, &answer)) return threadStatus;
        if (!answer.Ok()) return Fail(kEdvr);
        *value = std::stoi(answer.Word(1));
      } else {
        *value = unit->primary;
      }
      break;
    case kOptionSad: *value = unit->secondary; break;
    case kOptionTmo: *value = unit->timeoutCode; break;
    case kOptionEot: *value = unit->eot; break;
    case kOptionEosRead: *value = (unit->eos & 0x400) != 0; break;
    case kOptionEosWrite: *value = (unit->eos & 0x800) != 0; break;
    case kOptionEosCompare: *value = (unit->eos & 0x1000) != 0; break;
    case kOptionEosChar: *value = unit->eos & 0xFF; break;
    case kOptionAutopoll: {
      if (!unit->board) return Fail(kEcap);
      BusAnswer answer;
      if (!Ask("autopoll " + BoardName(*unit), "", false, kBusMarginMs, &answer)) return threadStatus;
      if (!answer.Ok()) return FailFromAnswer(answer);
      *value = answer.Word(1) != "0";
      break;
    }
    default: return Fail(kEcap);
  }
  return Finish(kCmpl);
}

int ibwait(int ud, int mask) {
  const std::optional<GpibUnit> unit = UnitOrFail(ud);
  if (!unit) return threadStatus;
  if (!unit->board) {
    // A device sees its own request only when its board polls automatically
    // (ibconfig IbcAUTOPOLL): RQS while a polled status byte is queued for it.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(WaitLimitMs(*unit));
    for (;;) {
      BusAnswer answer;
      if (!Ask("rqs " + unit->resource, "", false, kBusMarginMs, &answer)) return threadStatus;
      if (!answer.Ok()) return FailFromAnswer(answer);
      if (answer.Word(1) == "1") return Finish(kCmpl | kRqs);
      if (!(mask & kRqs)) return Finish(kCmpl);
      if (std::chrono::steady_clock::now() >= deadline) return Finish(kCmpl | kTimo);
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
  }
  if (!(mask & kSrqi)) return Finish(kCmpl);
  const int waitMs = (mask & kTimo) ? WaitLimitMs(*unit) : 3'600'000;
  BusAnswer answer;
  if (!Ask("waitsrq " + BoardName(*unit) + " " + std::to_string(waitMs), "", false,
           waitMs + kBusMarginMs, &answer))
    return threadStatus;
  if (answer.TimedOut()) return Finish(kCmpl | kTimo);
  if (!answer.Ok()) return FailFromAnswer(answer);
  return Finish(kCmpl | kSrqi);
}

int iblines(int ud, short* lines) {
  const std::optional<GpibUnit> unit = UnitOrFail(ud);
  if (!unit) return threadStatus;
  if (!lines) return Fail(kEarg);
  BusAnswer answer;
  if (!Ask("srq " + BoardName(*unit), "", false, kBusMarginMs, &answer)) return threadStatus;
  if (!answer.Ok()) return FailFromAnswer(answer);
  *lines = static_cast<short>(kValidSrq | (answer.Word(1) == "1" ? kBusSrq : 0));
  return Finish(kCmpl);
}

// Controller operations that the simulated bus takes without effect.
int ibsre(int ud, int) { return UnitOrFail(ud) ? Finish(kCmpl) : threadStatus; }
int ibcac(int ud, int) { return UnitOrFail(ud) ? Finish(kCmpl) : threadStatus; }
int ibpct(int ud) { return UnitOrFail(ud) ? Finish(kCmpl) : threadStatus; }
int ibrsv(int ud, int) { return UnitOrFail(ud) ? Finish(kCmpl) : threadStatus; }
int ibrsc(int ud, int) { return UnitOrFail(ud) ? Finish(kCmpl) : threadStatus; }

}  // extern "C"

namespace {
int Finish(int status, int error, long count) {
  threadStatus = status;
  threadError = (status & kErr) ? error : 0;
  threadCount = count;
  ibsta = threadStatus;
  iberr = threadError;
  ibcnt = static_cast<int>(count);
  ibcntl = count;
  return status;
}
}  // namespace
