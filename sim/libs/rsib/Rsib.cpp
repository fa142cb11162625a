// The simulated RSIB library: the RSDLL calls with the vendor header's
// signatures, status bits and error codes. An instrument at a LAN address
// is the bus resource TCPIP0::ADDRESS::INSTR of swmsim (the same instrument
// a VISA TCPIP resource reaches), so every call becomes a bus request. Each
// call returns its status word and sets the three out parameters: the status
// word, the error code and the byte count.
#include <cstring>
#include <map>
#include <mutex>
#include <string>

#include "sim/libs/BusClient.h"

namespace {

// Status word bits and error codes of the header.
constexpr short kErr = static_cast<short>(0x8000);
constexpr short kTimo = 0x4000;
constexpr short kCmpl = 0x0100;
constexpr short kErrorConnect = 2;    // the bus or the instrument cannot be reached, or it refuses
constexpr short kErrorNoDevice = 3;   // no open instrument has the descriptor
constexpr short kErrorTimeout = 5;
constexpr short kErrorUnknown = -1;   // a bad argument

constexpr int kLongestWaitMs = 3'600'000;
// What RSDLLibrd asks the bus for: the whole answer, whatever its length.
constexpr unsigned long kWholeAnswer = 16ul << 20;

struct Device {
  std::string resource;
  long timeoutMs = 5000;
  bool sendEnd = true;
};

std::mutex tableLock;
std::map<short, Device>& Devices() {
  static std::map<short, Device> devices;
  return devices;
}

bool Lookup(short ud, Device* device) {
  std::lock_guard guard(tableLock);
  auto found = Devices().find(ud);
  if (found == Devices().end()) return false;
  *device = found->second;
  return true;
}

struct Result {
  short* ibsta;
  short* iberr;
  unsigned long* ibcntl;

  short Set(short status, short error, unsigned long count) const {
    if (ibsta) *ibsta = status;
    if (iberr) *iberr = (status & kErr) ? error : 0;
    if (ibcntl) *ibcntl = count;
    return status;
  }
  short Ok(unsigned long count = 0, short extra = 0) const { return Set(static_cast<short>(kCmpl | extra), 0, count); }
  short Fail(short error, unsigned long count = 0, short extra = 0) const {
    return Set(static_cast<short>(kErr | kCmpl | extra), error, count);
  }
  // The error of a failed bus answer.
  short BusFailure(const simlib::BusAnswer& answer) const {
    return Fail(answer.Word(1) == "badrequest" ? kErrorUnknown : kErrorConnect);
  }
};

int WaitMs(long timeoutMs) { return timeoutMs <= 0 || timeoutMs > kLongestWaitMs ? kLongestWaitMs : static_cast<int>(timeoutMs); }

// A request to a device that needs no answer but "ok".
short Simple(short ud, const char* verb, const Result& result) {
  Device device;
  if (!Lookup(ud, &device)) return result.Fail(kErrorNoDevice);
  simlib::BusAnswer answer;
  if (!simlib::BusRequest(std::string(verb) + " " + device.resource, "", false, 10000, &answer))
    return result.Fail(kErrorConnect);
  return answer.Ok() ? result.Ok() : result.BusFailure(answer);
}

// Waits up to waitMs for the device to request service; *result 1 when it did.
short WaitForRequest(short ud, short* requested, long waitMs, const Result& result) {
  if (requested) *requested = 0;
  Device device;
  if (!Lookup(ud, &device)) return result.Fail(kErrorNoDevice);
  simlib::BusAnswer answer;
  if (!simlib::BusRequest("waitrqs " + device.resource + " " + std::to_string(waitMs), "", false,
                          static_cast<int>(waitMs) + 10000, &answer))
    return result.Fail(kErrorConnect);
  if (answer.TimedOut()) return result.Ok(0, kTimo);
  if (!answer.Ok()) return result.BusFailure(answer);
  if (requested) *requested = 1;
  return result.Ok();
}

// A read of up to size bytes, ending at the end of the answer or the time-out.
short ReadAnswer(short ud, char* buffer, unsigned long size, const Result& result) {
  Device device;
  if (!Lookup(ud, &device)) return result.Fail(kErrorNoDevice);
  if (!buffer || size == 0) return result.Fail(kErrorUnknown);
  const int waitMs = WaitMs(device.timeoutMs);
  simlib::BusAnswer answer;
  if (!simlib::BusRequest("read " + device.resource + " " + std::to_string(size) + " " + std::to_string(waitMs), "",
                          true, waitMs + 10000, &answer))
    return result.Fail(kErrorConnect);
  std::memcpy(buffer, answer.payload.data(), answer.payload.size());
  if (answer.TimedOut()) return result.Fail(kErrorTimeout, answer.payload.size(), kTimo);
  if (!answer.Ok()) return result.BusFailure(answer);
  return result.Ok(answer.payload.size());
}

// Sends the bytes as one message.
short WriteBytes(short ud, const std::string& bytes, const Result& result) {
  Device device;
  if (!Lookup(ud, &device)) return result.Fail(kErrorNoDevice);
  simlib::BusAnswer answer;
  if (!simlib::BusRequest("write " + device.resource + " " + std::to_string(bytes.size()), bytes, false, 10000,
                          &answer))
    return result.Fail(kErrorConnect);
  return answer.Ok() ? result.Ok(bytes.size()) : result.BusFailure(answer);
}

}  // namespace

extern "C" {

// Opens the instrument at a LAN address (host name or IPv4 text): its
// descriptor (0 and up), or -1.
short RSDLLibfind(char* address, short* ibsta, short* iberr, unsigned long* ibcntl) {
  const Result result{ibsta, iberr, ibcntl};
  if (!address || !*address || std::strpbrk(address, " \t\r\n:")) {
    result.Fail(kErrorUnknown);
    return -1;
  }
  const std::string resource = std::string("TCPIP0::") + address + "::INSTR";
  simlib::BusAnswer answer;
  if (!simlib::BusRequest("find " + resource, "", false, 10000, &answer)) {
    result.Fail(kErrorConnect);
    return -1;
  }
  if (!answer.Ok()) {
    result.BusFailure(answer);
    return -1;
  }
  std::lock_guard guard(tableLock);
  short ud = 0;
  while (Devices().count(ud)) ++ud;
  Devices()[ud].resource = resource;
  result.Ok();
  return ud;
}

// Sends the text (up to its terminating zero) as one message.
short RSDLLibwrt(short ud, const char* text, short* ibsta, short* iberr, unsigned long* ibcntl) {
  if (!text) return Result{ibsta, iberr, ibcntl}.Fail(kErrorUnknown);
  return WriteBytes(ud, text, {ibsta, iberr, ibcntl});
}

// Sends count bytes of text (NULs included) as one message.
short RSDLLilwrt(short ud, const char* text, unsigned long count, short* ibsta, short* iberr, unsigned long* ibcntl) {
  if (!text && count) return Result{ibsta, iberr, ibcntl}.Fail(kErrorUnknown);
  return WriteBytes(ud, std::string(text ? text : "", count), {ibsta, iberr, ibcntl});
}

// Reads the whole answer, however long, up to its end or the time-out: the
// call takes no length, and *ibcntl only tells the count read. The text is
// not terminated.
short RSDLLibrd(short ud, char* buffer, short* ibsta, short* iberr, unsigned long* ibcntl) {
  return ReadAnswer(ud, buffer, kWholeAnswer, {ibsta, iberr, ibcntl});
}

// Reads at most count bytes up to the end of the answer or the time-out; the
// rest of a longer answer stays for the next read. *ibcntl is the count read.
short RSDLLilrd(short ud, char* buffer, unsigned long count, short* ibsta, short* iberr, unsigned long* ibcntl) {
  return ReadAnswer(ud, buffer, count, {ibsta, iberr, ibcntl});
}

// The calls below are declared void in the vendor's header: they report
// through *ibsta, *iberr and *ibcntl alone.

// Whether the instrument requests service now (*requested 1), without waiting.
void RSDLLTestSrq(short ud, short* requested, short* ibsta, short* iberr, unsigned long* ibcntl) {
  WaitForRequest(ud, requested, 0, {ibsta, iberr, ibcntl});
}

// Waits up to the descriptor's time-out for a service request of the
// instrument (*requested 1; the request is ended by a serial poll) or the
// time-out (*requested 0, status TIMO without ERR).
void RSDLLWaitSrq(short ud, short* requested, short* ibsta, short* iberr, unsigned long* ibcntl) {
  Device device;
  const Result result{ibsta, iberr, ibcntl};
  if (!Lookup(ud, &device)) {
    result.Fail(kErrorNoDevice);
    return;
  }
  WaitForRequest(ud, requested, WaitMs(device.timeoutMs), result);
}

// The time-out of reads and waits in seconds (0: the longest, one hour).
void RSDLLibtmo(short ud, short seconds, short* ibsta, short* iberr, unsigned long* ibcntl) {
  const Result result{ibsta, iberr, ibcntl};
  std::lock_guard guard(tableLock);
  auto found = Devices().find(ud);
  if (found == Devices().end()) {
    result.Fail(kErrorNoDevice);
  } else if (seconds < 0) {
    result.Fail(kErrorUnknown);
  } else {
    found->second.timeoutMs = seconds * 1000L;
    result.Ok();
  }
}

// Remote enable: 1 puts the instrument into remote, 0 back to local.
void RSDLLibsre(short ud, short enable, short* ibsta, short* iberr, unsigned long* ibcntl) {
  Simple(ud, enable ? "remote" : "local", {ibsta, iberr, ibcntl});
}

void RSDLLibloc(short ud, short* ibsta, short* iberr, unsigned long* ibcntl) {
  Simple(ud, "local", {ibsta, iberr, ibcntl});
}

// Whether a write ends its message (kept; every write is one whole message).
void RSDLLibeot(short ud, short sendEnd, short* ibsta, short* iberr, unsigned long* ibcntl) {
  const Result result{ibsta, iberr, ibcntl};
  std::lock_guard guard(tableLock);
  auto found = Devices().find(ud);
  if (found == Devices().end()) {
    result.Fail(kErrorNoDevice);
    return;
  }
  found->second.sendEnd = sendEnd != 0;
  result.Ok();
}

// 0 closes the descriptor; 1 keeps it.
void RSDLLibonl(short ud, short online, short* ibsta, short* iberr, unsigned long* ibcntl) {
  const Result result{ibsta, iberr, ibcntl};
  std::lock_guard guard(tableLock);
  auto found = Devices().find(ud);
  if (found == Devices().end()) {
    result.Fail(kErrorNoDevice);
    return;
  }
  if (!online) Devices().erase(found);
  result.Ok();
}

// Device clear: queued answers and the instrument's input are dropped.
short RSDLLibclr(short ud, short* ibsta, short* iberr, unsigned long* ibcntl) {
  return Simple(ud, "clear", {ibsta, iberr, ibcntl});
}

// Serial poll: the status byte into *statusByte (ends a service request).
short RSDLLibrsp(short ud, char* statusByte, short* ibsta, short* iberr, unsigned long* ibcntl) {
  const Result result{ibsta, iberr, ibcntl};
  Device device;
  if (!Lookup(ud, &device)) return result.Fail(kErrorNoDevice);
  if (!statusByte) return result.Fail(kErrorUnknown);
  simlib::BusAnswer answer;
  if (!simlib::BusRequest("poll " + device.resource, "", false, 10000, &answer)) return result.Fail(kErrorConnect);
  if (!answer.Ok()) return result.BusFailure(answer);
  *statusByte = static_cast<char>(std::stoi(answer.Word(1)));
  return result.Ok(1);
}

}  // extern "C"
