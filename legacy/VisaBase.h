#pragma once
// A VISA session: the default resource manager and one opened resource, with
// the status of the last call. Statuses are 0 or the VISA code (errors in
// 0xBFFF0000..., completion codes in 0x3FFF0000...), or the module's own
// codes listed below.
#include <string>

#include "framework/Status.h"
#include "legacy/VisaLibrary.h"

class VisaBase {
public:
  // How reads of the open session end: an instrument session at the end of
  // each message; a raw socket (no end of message) and a serial port only at
  // the count, the termination character or the time-out.
  enum class SessionType { Instrument, Socket, Serial };

  static constexpr Status kNotOpen = 0x3000012C;            // no session is open
  static constexpr Status kShortRead = 0x3000012E;          // fewer bytes than asked for came
  static constexpr Status kNotAllWritten = 0x3000012D;      // the write was cut short
  static constexpr Status kResponseTooLarge = DRV_ERR_TCP_RESPONSE_TOO_LARGE;  // a TCPIP answer filled the buffer

  VisaBase() = default;
  virtual ~VisaBase();
  VisaBase(const VisaBase&) = delete;
  VisaBase& operator=(const VisaBase&) = delete;

  // Loads the library, opens the default resource manager and the resource;
  // the time-out applies to every later call.
  Status OpenResource(const std::string& resource, uint32_t timeoutMilliseconds);
  Status CloseResource();
  bool IsOpen() const { return session_ != 0; }
  const std::string& Resource() const { return resource_; }
  SessionType Type() const { return type_; }

  Status WriteText(const std::string& text);
  // Reads up to count bytes; kShortRead when the read ended (time-out,
  // termination character, end of message) with fewer, kResponseTooLarge
  // when a TCPIP answer is longer than count, unless the read asked for
  // exactly count bytes (exactCount: a binary block of a known length, where
  // the library's VI_SUCCESS_MAX_CNT only says the read stopped at the count).
  Status ReadText(std::string* text, size_t count, bool exactCount = false);
  Status SetTimeout(uint32_t milliseconds);
  uint32_t Timeout() const { return timeout_; }
  Status SetAttribute(visa::ViAttr attribute, visa::ViAttrState value);
  Status GetAttribute(visa::ViAttr attribute, uint32_t* value);
  Status ClearDevice();
  // Discards the input and output buffers. VI_ERROR_INV_MASK and
  // VI_ERROR_NSUP_OPER (the session has no such buffer) count as done.
  Status Flush(uint16_t mask);
  // Drops every byte that has arrived and not been read: the library's
  // buffers, and for a raw socket what is waiting on the connection, read
  // without waiting. An instrument session keeps what the device still
  // holds (a device clear drops that).
  Status DiscardInput();

  Status LastStatus() const { return lastStatus_; }
  // The text of a status of this layer, empty for others.
  std::string ErrorText(Status status) const;
  const VisaLibrary& Library() const { return library_; }

protected:
  // Records a VISA status of a call: completion codes count as success.
  Status Check(std::string_view function, visa::ViStatus status);
  // Asks the library for the session's interface type and resource class
  // (an alias hides them in the name); the name when it cannot say.
  SessionType AskSessionType() const;

  VisaLibrary library_;
  visa::ViSession resourceManager_ = 0;
  visa::ViSession session_ = 0;
  std::string resource_;
  SessionType type_ = SessionType::Instrument;
  uint32_t timeout_ = 2000;
  Status lastStatus_ = 0;
};
