#pragma once
// A stream without a transport for the tests of the exchange and the
// client stack: each read returns the next scripted answer and status, and
// every call is recorded in order.
#include <deque>
#include <string>
#include <utility>
#include <vector>

#include "streams/DeviceStream.h"

class ScriptedStream : public DeviceStream {
public:
  struct Reply {
    Status status;
    std::string text;
  };

  std::deque<Reply> replies;          // what the next reads return
  std::vector<std::string> calls;     // "Lock", "Clear", "Write:cmd", "Read:count", "Unlock"
  std::vector<size_t> readCounts;
  Status lockStatus = 0;
  std::deque<Status> writeStatuses;   // the next writes' statuses (0 when empty)
  int locked = 0;
  bool lockedDuringIo = true;         // false when a read or write ran unlocked

  Status Connect(uint32_t, const DeviceStreamConfigurationPtr&, StreamUser user) override {
    calls.push_back("Connect");
    RegisterUser(user);
    SetConnectedFlag(true);
    return 0;
  }
  Status Disconnect(uint32_t, StreamUser user) override {
    calls.push_back("Disconnect");
    if (RemoveUser(user) == 0) SetConnectedFlag(false);
    return 0;
  }
  Status Lock(uint32_t, double) override {
    calls.push_back("Lock");
    if (lockStatus == 0) ++locked;
    return lockStatus;
  }
  Status Unlock(uint32_t) override {
    calls.push_back("Unlock");
    --locked;
    return 0;
  }
  Status ClearInputBuffers(uint32_t) override {
    calls.push_back("Clear");
    return 0;
  }
  Status Write(uint32_t, const std::string& text, bool waitForOperationComplete) override {
    calls.push_back("Write:" + text + (waitForOperationComplete ? "+OPC" : ""));
    if (locked <= 0) lockedDuringIo = false;
    if (writeStatuses.empty()) return 0;
    const Status status = writeStatuses.front();
    writeStatuses.pop_front();
    return status;
  }
  Status Read(uint32_t, std::string& text, size_t count) override {
    calls.push_back("Read");
    readCounts.push_back(count);
    if (locked <= 0) lockedDuringIo = false;
    if (replies.empty()) {
      text.clear();
      return streamstatus::kReadTimedOut;
    }
    text = replies.front().text;
    const Status status = replies.front().status;
    replies.pop_front();
    return status;
  }
  size_t Reads() const { return readCounts.size(); }
};
