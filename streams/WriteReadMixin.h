#pragma once
// The command/answer exchange on top of a stream or client T (anything with
// Lock, Unlock, GetTimeout, ClearInputBuffers, Write and Read).
//
// WriteRead holds the lock over the whole exchange: it clears the input,
// writes the command (with the stream's send terminator) and reads up to
// count characters. A read that ends by its time-out counts as success with
// what arrived. With retries n, an empty answer is read again until n reads
// have been made; with new-line stripping on, carriage returns and line
// feeds at the start of the answer are removed first, so an answer of only
// line ends counts as empty. An empty command only reads. WriteReadAnswered
// is the same exchange, except that reads which all ended by their time-out
// with nothing received return kReadTimedOut: nothing was heard.
#include <cstdint>
#include <string>

#include "framework/RetryCounter.h"
#include "framework/RetryLoop.h"
#include "streams/DeviceStreamLocker.h"
#include "streams/DeviceStreamStatus.h"

// Removes the carriage returns and line feeds at the start of text.
inline void StripLeadingNewLines(std::string& text) {
  const size_t first = text.find_first_not_of("\r\n");
  text.erase(0, first == std::string::npos ? text.size() : first);
}

template <class T>
class WriteReadMixin : public T {
public:
  using T::T;

  virtual void SetStripNewLines(bool strip) { stripNewLines_ = strip; }
  bool GetStripNewLines() const { return stripNewLines_; }

  virtual Status WriteRead(uint32_t hostContext, const std::string& command, std::string& answer,
                           size_t count, uint32_t retries) {
    answer.clear();
    DeviceStreamLocker<WriteReadMixin> locker(*this, hostContext);
    Status status = locker.Lock(this->GetTimeout(hostContext));
    if (status != 0) return status;

    const bool written = !command.empty();
    if (written) {
      status = this->ClearInputBuffers(hostContext);
      if (status == 0) status = this->Write(hostContext, command, false);
      if (status != 0) return status;
    }
    status = this->Read(hostContext, answer, count);
    heardNothing_ = status == streamstatus::kReadTimedOut && answer.empty();
    status = SuccessOnTimeout(status);
    if (!written) return status;

    RetryCounter counter(retries);
    while (status == 0 && !counter.IsDone()) {
      counter.Next();
      if (stripNewLines_) StripLeadingNewLines(answer);
      if (!answer.empty()) {
        counter.Succeeded();
      } else if (!counter.IsDone()) {
        std::string more;
        status = SuccessOnTimeout(this->Read(hostContext, more, count - answer.size()));
        if (!more.empty()) heardNothing_ = false;
        answer += more;
      }
    }
    return status;
  }

  virtual Status WriteReadAnswered(uint32_t hostContext, const std::string& command, std::string& answer,
                                   size_t count, uint32_t retries) {
    heardNothing_ = false;
    const Status status = WriteRead(hostContext, command, answer, count, retries);
    return status == 0 && heardNothing_ ? streamstatus::kReadTimedOut : status;
  }

  // The exchange repeated by a RetryLoop named "RetryLoop" while it fails,
  // at most `retries` times.
  virtual Status WriteReadWithRetryLoop(uint32_t hostContext, const std::string& command,
                                        std::string& answer, size_t count, uint32_t retries) {
    return RetryLoop(retries, "RetryLoop").Run([&] {
      RetryLoop::ThrowIfError(WriteRead(hostContext, command, answer, count, retries));
    });
  }

private:
  static Status SuccessOnTimeout(Status status) {
    return status == streamstatus::kReadTimedOut ? 0 : status;
  }

  bool stripNewLines_ = false;
  bool heardNothing_ = false;  // the last WriteRead's reads all timed out empty
};
