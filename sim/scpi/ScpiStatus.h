#pragma once
// The IEEE 488.2 status model of a SCPI instrument: the standard event
// status register and its enable mask, the service request enable mask,
// and the error queue behind "SYST:ERR?".
#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <utility>

namespace sim {

class ScpiStatus {
public:
  // Standard event status register bits.
  static constexpr uint8_t kOperationComplete = 0x01;
  static constexpr uint8_t kQueryError = 0x04;
  static constexpr uint8_t kDeviceError = 0x08;
  static constexpr uint8_t kExecutionError = 0x10;
  static constexpr uint8_t kCommandError = 0x20;
  // Status byte bits.
  static constexpr uint8_t kErrorQueueNotEmpty = 0x04;
  static constexpr uint8_t kEventSummary = 0x20;
  static constexpr uint8_t kMasterSummary = 0x40;

  // Adds an error and sets the event bit of its class (-1xx command,
  // -2xx execution, -3xx device, -4xx query). A full queue keeps its first
  // entries and turns the last into -350,"Queue overflow".
  void PushError(int code, std::string text);
  // "CODE,\"TEXT\"" of the oldest error, removed; "0,\"No error\"" when empty.
  std::string PopError();
  size_t ErrorCount() const { return errors_.size(); }
  const std::deque<std::pair<int, std::string>>& Errors() const { return errors_; }
  void SetErrorQueueSize(size_t size) { queueSize_ = size; }
  size_t ErrorQueueSize() const { return queueSize_; }

  void SetEvent(uint8_t bits) { esr_ |= bits; }
  // Reads and clears the standard event status register ("*ESR?").
  uint8_t TakeEventStatus();
  uint8_t EventStatus() const { return esr_; }
  uint8_t EventEnable() const { return ese_; }
  void SetEventEnable(uint8_t mask) { ese_ = mask; }
  uint8_t ServiceRequestEnable() const { return sre_; }
  void SetServiceRequestEnable(uint8_t mask) { sre_ = mask & ~kMasterSummary; }

  // Error queue and event summary bits (no message-available, no master summary).
  uint8_t StatusByte() const;
  // "*CLS": event register and error queue emptied.
  void Clear();
  // Power-on: everything cleared, masks included.
  void PowerOn();

private:
  std::deque<std::pair<int, std::string>> errors_;
  size_t queueSize_ = 10;
  uint8_t esr_ = 0;
  uint8_t ese_ = 0;
  uint8_t sre_ = 0;
};

}  // namespace sim
