#include "drivers/wattex/WattexSwitch.h"

#include "framework/HostEvents.h"
#include "logging/JournexEntry.h"

Status WattexSwitch::HandleEvent(HostWindow hWnd, const uint32_t* event, const double* value) {
  JournexEntry entry("HandleEvent", "WattexSwitch");
  const uint32_t number = event ? *event : 0;
  entry.LogBegin("Note", "HandleEvent(" + HostEventLabel(number) + ")", {{"event", number}});
  const Status status = ConfigurableSwitchMatrix::HandleEvent(hWnd, event, value);
  // The answer is read only when a command went out: with nothing sent there
  // is nothing to read, and the read would wait its whole time-out.
  if (status == 0 && CommandSent() &&
      (number == SWM_EVENT_FrequencyChanged || number == SWM_EVENT_MeasuringForwardPower)) {
    std::string pending;
    Status readStatus = AcquireStream(hWnd);
    if (readStatus == 0) readStatus = ReadUntilPattern(pending, kPendingAnswerPattern);
    readStatus = FirstError(readStatus, ReleaseStream(hWnd));
    entry.Log("Note", "PendingAnswer", {{"answer", pending}, {"Err", readStatus}});
  }
  entry.LogEnd(status == 0 ? "Complete" : "Error", {}, {{"Err", status}});
  return status;
}
