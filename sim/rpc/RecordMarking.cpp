#include "sim/rpc/RecordMarking.h"

#include "sim/rpc/Xdr.h"

namespace sim::rpc {
namespace {
constexpr uint32_t kLastFragment = 0x80000000u;
}  // namespace

std::vector<std::string> RecordReader::Feed(std::string_view bytes) {
  std::vector<std::string> records;
  if (failed_) return records;
  buffer_.append(bytes);
  size_t at = 0;
  while (buffer_.size() - at >= 4) {
    const uint32_t header = XdrReader(std::string_view(buffer_).substr(at, 4)).U32();
    const size_t length = header & ~kLastFragment;
    if (record_.size() + length > kMaxRecord) {
      failed_ = true;
      break;
    }
    if (buffer_.size() - at - 4 < length) break;
    record_.append(buffer_, at + 4, length);
    at += 4 + length;
    if (header & kLastFragment) records.push_back(std::move(record_)), record_.clear();
  }
  buffer_.erase(0, at);
  return records;
}

std::string MarkRecord(std::string_view record) {
  XdrWriter header;
  header.U32(kLastFragment | static_cast<uint32_t>(record.size()));
  return header.Bytes() + std::string(record);
}

}  // namespace sim::rpc
