#pragma once
// One session of the simulated VISA library: the resource manager, an
// instrument on swmsim's bus (GPIB and TCPIP resources), or a serial port
// (ASRLn::INSTR opens COMn in $SWMATRIX_PORTS, where swmsim links its
// pseudo-terminals).
#include <string>

#include "sim/libs/visa/VisaTypes.h"
#include "sim/transport/FileDescriptor.h"

namespace simlib::visa {

class VisaSession {
public:
  enum class Kind { kManager, kBus, kSerial };

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
  ViStatus WaitForServiceRequest(ViUInt32 timeoutMs);
  ViStatus GetAttribute(ViAttr attribute, void* value) const;
  ViStatus SetAttribute(ViAttr attribute, ViAttrState value);

private:
  ViStatus ApplyLineSettings();
  ViStatus ReadSerial(ViUInt32 count, std::string* bytes);
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
  std::string pending_;  // serial bytes read past the end of the last read
};

}  // namespace simlib::visa
