#pragma once
// Keeps a minimum gap between two exchanges with a device. Transports call
// WaitForGap before they send and Stamp after each exchange. A new delayer is
// stamped at construction, so the first exchange waits only when it follows
// the construction within the delay. Copies keep the delay and the stamp.
#include <cstdint>

#include "framework/Timing.h"

class CommunicationDelayer {
public:
  CommunicationDelayer();
  virtual ~CommunicationDelayer() = default;
  CommunicationDelayer(const CommunicationDelayer&) = default;
  CommunicationDelayer& operator=(const CommunicationDelayer&) = default;

  // The minimum gap in microseconds (0: no gap).
  virtual uint32_t GetDelay() const { return delay_; }
  virtual void SetDelay(uint32_t microseconds) { delay_ = microseconds; }

  // Records now as the time of the last exchange.
  void Stamp();
  // Waits until the delay has passed since the last stamp.
  void WaitForGap() const;
  // Microseconds WaitForGap would wait when the counter reads `counterNow`.
  uint64_t MicrosecondsToWait(int64_t counterNow) const;

  int64_t LastCommunication() const { return lastCommunication_; }
  const Timing& GetTiming() const { return timing_; }

private:
  uint32_t delay_ = 0;
  int64_t lastCommunication_ = 0;
  Timing timing_;
};
