#include "framework/CommunicationDelayer.h"

CommunicationDelayer::CommunicationDelayer() { Stamp(); }

void CommunicationDelayer::Stamp() {
  if (timing_.HighResolution()) timing_.ReadCounter(&lastCommunication_);
}

uint64_t CommunicationDelayer::MicrosecondsToWait(int64_t counterNow) const {
  if (!timing_.HighResolution() || delay_ == 0) return 0;
  const uint64_t elapsed = Timing::MicrosecondsBetween(lastCommunication_, counterNow);
  if (elapsed >= delay_) return 0;
  return delay_ - elapsed;
}

void CommunicationDelayer::WaitForGap() const {
  if (!timing_.HighResolution() || delay_ == 0) return;
  int64_t now = 0;
  timing_.ReadCounter(&now);
  const uint64_t wait = MicrosecondsToWait(now);
  if (wait != 0) timing_.WaitMicroseconds(wait);
}
