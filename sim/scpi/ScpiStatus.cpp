#include "sim/scpi/ScpiStatus.h"

namespace sim {

void ScpiStatus::PushError(int code, std::string text) {
  if (code <= -100 && code > -200) esr_ |= kCommandError;
  else if (code <= -200 && code > -300) esr_ |= kExecutionError;
  else if (code <= -300 && code > -400) esr_ |= kDeviceError;
  else if (code <= -400 && code > -500) esr_ |= kQueryError;
  else if (code > 0) esr_ |= kDeviceError;
  if (queueSize_ == 0) return;
  if (errors_.size() >= queueSize_) {
    errors_.back() = {-350, "Queue overflow"};
    return;
  }
  errors_.emplace_back(code, std::move(text));
}

std::string ScpiStatus::PopError() {
  if (errors_.empty()) return "0,\"No error\"";
  const auto [code, text] = errors_.front();
  errors_.pop_front();
  return std::to_string(code) + ",\"" + text + "\"";
}

uint8_t ScpiStatus::TakeEventStatus() {
  const uint8_t value = esr_;
  esr_ = 0;
  return value;
}

uint8_t ScpiStatus::StatusByte() const {
  uint8_t value = 0;
  if (!errors_.empty()) value |= kErrorQueueNotEmpty;
  if (esr_ & ese_) value |= kEventSummary;
  return value;
}

void ScpiStatus::Clear() {
  esr_ = 0;
  errors_.clear();
}

void ScpiStatus::PowerOn() {
  Clear();
  ese_ = 0;
  sre_ = 0;
}

}  // namespace sim
