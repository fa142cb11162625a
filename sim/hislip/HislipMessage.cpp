#include "sim/hislip/HislipMessage.h"

#include <algorithm>

namespace sim::hislip {
namespace {
uint64_t ReadBigEndian(std::string_view bytes, size_t count) {
  uint64_t value = 0;
  for (size_t i = 0; i < count; ++i) value = value << 8 | static_cast<uint8_t>(bytes[i]);
  return value;
}
void AppendBigEndian(std::string& out, uint64_t value, size_t count) {
  for (size_t i = count; i-- > 0;) out += static_cast<char>(value >> (8 * i) & 0xFF);
}
}  // namespace

std::string Encode(uint8_t type, uint8_t control, uint32_t parameter, std::string_view payload) {
  std::string bytes = "HS";
  bytes.reserve(kHeaderSize + payload.size());
  bytes += static_cast<char>(type);
  bytes += static_cast<char>(control);
  AppendBigEndian(bytes, parameter, 4);
  AppendBigEndian(bytes, payload.size(), 8);
  bytes += payload;
  return bytes;
}

uint64_t ReadU64(std::string_view bytes) { return bytes.size() < 8 ? 0 : ReadBigEndian(bytes, 8); }

std::string U64Bytes(uint64_t value) {
  std::string bytes;
  AppendBigEndian(bytes, value, 8);
  return bytes;
}

std::vector<Message> MessageReader::Feed(std::string_view bytes) {
  std::vector<Message> messages;
  while (!failed_ && !bytes.empty()) {
    if (!inPayload_) {
      const size_t taken = std::min(kHeaderSize - header_.size(), bytes.size());
      header_.append(bytes.substr(0, taken));
      bytes.remove_prefix(taken);
      if (header_.size() >= 2 && header_.compare(0, 2, "HS") != 0) failed_ = true;
      if (failed_ || header_.size() < kHeaderSize) continue;
      current_ = Message{};
      current_.type = static_cast<uint8_t>(header_[2]);
      current_.control = static_cast<uint8_t>(header_[3]);
      current_.parameter = static_cast<uint32_t>(ReadBigEndian(std::string_view(header_).substr(4), 4));
      current_.length = remaining_ = ReadBigEndian(std::string_view(header_).substr(8), 8);
      current_.dropped = skipping_ = current_.length > maxPayload_;
      // A message too long to keep is handed on at once; its payload is skipped as it comes.
      if (skipping_) messages.push_back(std::move(current_));
      else current_.payload.reserve(current_.length);
      header_.clear();
      inPayload_ = true;
    }
    const size_t taken = static_cast<size_t>(std::min<uint64_t>(remaining_, bytes.size()));
    if (!skipping_) current_.payload.append(bytes.substr(0, taken));
    bytes.remove_prefix(taken);
    remaining_ -= taken;
    if (remaining_ == 0) {
      if (!skipping_) messages.push_back(std::move(current_));
      inPayload_ = skipping_ = false;
    }
  }
  return messages;
}

}  // namespace sim::hislip
