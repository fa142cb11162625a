// The simulated GPIB library: the NI-488.2 calls the module resolves,
// carried over swmsim's bus socket to the simulated instruments. Each call
// sets the calling thread's status word, error and count (ThreadIbsta,
// ThreadIberr, ThreadIbcntl) and the process-wide ibsta, iberr, ibcnt and
// ibcntl; the status word has 0x8000 (ERR) set on failure. Like linux-gpib
// it offers neither ibfindW, ibnotify nor iblck, finds boards by their
// gpib.conf name exactly, and hands out descriptors from a table of fixed
// size that only ibonl(ud, 0) empties (GpibUnits.h).
#include <chrono>
#include <cstdio>
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
constexpr int kEdvr = 0, kEnol = 2, kEarg = 4, kEabo = 6, kEcap = 11, kEtab = 20;
// ibask / ibconfig options used here.
constexpr int kOptionPad = 0x1, kOptionSad = 0x2, kOptionTmo = 0x3, kOptionEot = 0x4,
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
  if (!unit) Fail(kEdvr);
  return unit;
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

// A new descriptor for the unit; a full table fails as linux-gpib's does.
int NewDescriptor(const GpibUnit& unit, const char* caller) {
  const int descriptor = simlib::OpenDescriptor(unit);
  if (descriptor >= 0) {
    Finish(kCmpl);
    return descriptor;
  }
  std::fprintf(stderr, "libgpib: out of room in ibConfigs[]\nlibgpib: %s failed to get descriptor\n", caller);
  Fail(kEtab);
  return -1;
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
  BusAnswer answer;
  if (!Ask("board GPIB" + std::to_string(*index), "", false, kBusMarginMs, &answer)) return -1;
  if (!answer.Ok()) {
    Fail(kEdvr);
    return -1;
  }
  std::optional<GpibUnit> board = simlib::Unit(*index);
  return NewDescriptor(*board, "ibfind");
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
    default: break;  // accepted; the simulated bus has no use for it
  }
  simlib::UpdateUnit(ud, *unit);
  return Finish(kCmpl);
}

int ibask(int ud, int option, int* value) {
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
    default: return Fail(kEcap);
  }
  return Finish(kCmpl);
}

int ibwait(int ud, int mask) {
  const std::optional<GpibUnit> unit = UnitOrFail(ud);
  if (!unit) return threadStatus;
  if (!unit->board) {
    // A device sees its own request only when the board polls automatically
    // (autopoll); this bus does not, as a gpib.conf without it: a wait for
    // RQS ends at the device's time-out.
    if (!(mask & kRqs)) return Finish(kCmpl);
    std::this_thread::sleep_for(std::chrono::milliseconds(WaitLimitMs(*unit)));
    return Finish(kCmpl | kTimo);
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
