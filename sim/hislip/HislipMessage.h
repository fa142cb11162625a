#pragma once
// HiSLIP messages: a 16-byte header ("HS", message type, control code, a
// 32-bit message parameter, a 64-bit payload length, all big-endian) and the
// payload. MessageReader cuts a channel's byte stream into messages.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace sim::hislip {

enum Type : uint8_t {
  kInitialize = 0,
  kInitializeResponse = 1,
  kFatalError = 2,
  kError = 3,
  kAsyncLock = 4,
  kAsyncLockResponse = 5,
  kData = 6,
  kDataEnd = 7,
  kDeviceClearComplete = 8,
  kDeviceClearAcknowledge = 9,
  kAsyncRemoteLocalControl = 10,
  kAsyncRemoteLocalResponse = 11,
  kTrigger = 12,
  kInterrupted = 13,
  kAsyncInterrupted = 14,
  kAsyncMaximumMessageSize = 15,
  kAsyncMaximumMessageSizeResponse = 16,
  kAsyncInitialize = 17,
  kAsyncInitializeResponse = 18,
  kAsyncDeviceClear = 19,
  kAsyncServiceRequest = 20,
  kAsyncStatusQuery = 21,
  kAsyncStatusResponse = 22,
  kAsyncDeviceClearAcknowledge = 23,
  kAsyncLockInfo = 24,
  kAsyncLockInfoResponse = 25,
  kFirstVendorType = 128,
};

// The codes of FatalError (the connection ends after it) and of Error.
enum FatalCode : uint8_t { kFatalUnidentified = 0, kBadHeader = 1, kChannelsNotEstablished = 2, kBadInitialization = 3 };
enum ErrorCode : uint8_t { kUnidentified = 0, kUnknownType = 1, kUnknownControlCode = 2, kUnknownVendorMessage = 3, kTooLarge = 4 };

constexpr size_t kHeaderSize = 16;
// The first message ID a client uses, and after a device clear; it grows by 2.
constexpr uint32_t kFirstMessageId = 0xFFFFFF00;

struct Message {
  uint8_t type = 0;
  uint8_t control = 0;
  uint32_t parameter = 0;
  std::string payload;
  uint64_t length = 0;  // the payload length the header announced
  bool dropped = false;  // the payload is longer than the reader keeps, and is skipped
};

std::string Encode(uint8_t type, uint8_t control, uint32_t parameter, std::string_view payload = {});
// The 64-bit big-endian number of 8 bytes (AsyncMaximumMessageSize).
uint64_t ReadU64(std::string_view bytes);
std::string U64Bytes(uint64_t value);

class MessageReader {
public:
  // Payloads longer than maxPayload are skipped: the message comes with
  // dropped set as soon as its header is complete.
  explicit MessageReader(uint64_t maxPayload) : maxPayload_(maxPayload) {}
  // Adds bytes of the stream; returns the messages they completed. Nothing
  // more comes once the stream does not start a header with "HS".
  std::vector<Message> Feed(std::string_view bytes);
  bool Failed() const { return failed_; }

private:
  uint64_t maxPayload_;
  std::string header_;
  Message current_;
  bool inPayload_ = false;
  bool skipping_ = false;
  uint64_t remaining_ = 0;
  bool failed_ = false;
};

}  // namespace sim::hislip
