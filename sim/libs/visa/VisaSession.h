#pragma once
// One session of the simulated VISA library: the resource manager, an
// instrument on swmsim's bus (GPIB and TCPIP resources), a serial port
// (ASRLn::INSTR opens COMn in $SWMATRIX_PORTS, where swmsim links its
// pseudo-terminals), or the context of an event taken from a queue.
//
// Reads end as in every VISA: at the count, at the end of a message where
// the interface marks one (GPIB, LAN instruments), at the termination
// character when it is enabled, and for a serial port at the termination
// character by default (the end-in mode). A raw socket
// (TCPIPn::host::port::SOCKET) marks no end: without the termination
// character its reads end only at the count or the time-out. Bytes that
// arrived past the end of a read wait for the next read, or for viFlush.
#include <optional>
#include <string>

#include "sim/libs/visa/VisaTypes.h"
#include "sim/transport/FileDescriptor.h"

namespace simlib::visa {

class VisaSession {
public:
  enum class Kind { kManager, kBus, kSerial, kEvent };

  VisaSession(Kind kind, std::string resource) : kind_(kind), resource_(std::move(resource)) {}
  // Opens the resource; a status other than success when it is not there.
  ViStatus Open();

  Kind SessionKind() const { return kind_; }
  const std::string& Resource() const { return resource_; }
  ViStatus Write(const std::string& bytes, ViUInt32* written);
  ViStatus Read(ViUInt32 count, std::string* bytes);
  ViStatus Clear();
  ViStatus Flush(ViUInt16 mask);
  ViStatus ReadStatusByte(ViUInt16* status);
  ViStatus AssertTrigger(ViUInt16 protocol);
  ViStatus ControlRemoteEnable(ViUInt16 mode);
  // The service-request event through the queue mechanism.
  ViStatus EnableEvent(uint32_t type, ViUInt16 mechanism);
  ViStatus DisableEvent(uint32_t type, ViUInt16 mechanism);
  ViStatus DiscardEvents(uint32_t type, ViUInt16 mechanism);
  // Waits for a service request of this instrument; its status byte, polled
  // to tell the requesting device, is what the next viReadSTB returns.
  ViStatus WaitOnEvent(uint32_t type, ViUInt32 timeoutMs, uint32_t* outType);
  void SetEventType(uint32_t type) { eventType_ = type; }
  ViStatus GetAttribute(ViAttr attribute, void* value) const;
  ViStatus SetAttribute(ViAttr attribute, ViAttrState value);

private:
  ViStatus ApplyLineSettings();
  ViStatus ReadSerial(ViUInt32 count, std::string* bytes);
  ViStatus ReadSocket(ViUInt32 count, std::string* bytes);
  // Takes a read's bytes from pending_ when they are there: the count, or up
  // to the termination character when it ends reads.
  std::optional<ViStatus> TakePending(ViUInt32 count, bool terminated, std::string* bytes);
  ViStatus DiscardSocketInput();
  bool IsSocket() const;
  bool IsInstrumentOnBus() const { return kind_ == Kind::kBus && !IsSocket(); }
  ViStatus CheckEvent(uint32_t type, ViUInt16 mechanism, bool allMechanisms) const;
  ViStatus WriteSerial(const std::string& bytes, ViUInt32* written);
  int WaitMs() const;
  int Board() const;  // the GPIB board of a GPIB resource, else -1

  Kind kind_;
  std::string resource_;
  ViUInt32 timeoutMs_ = 2000;
  unsigned char termChar_ = '\n';
  bool termCharEnabled_ = false;
  bool sendEnd_ = true;
  ViUInt32 baud_ = 9600;
  ViUInt16 dataBits_ = 8, parity_ = 0, stopBits_ = kStopOne, flow_ = 0, endIn_ = kEndTermChar;
  sim::transport::FileDescriptor port_;
  std::string pending_;  // serial or socket bytes read past the end of the last read
  bool srqQueue_ = false;  // the service-request event is queued
  std::optional<ViUInt16> polledStatus_;  // the status byte of the last service request
  uint32_t eventType_ = 0;  // of an event context
};

}  // namespace simlib::visa
