#include "sim/rpc/Xdr.h"

namespace sim::rpc {
namespace {
size_t Padded(size_t length) { return (length + 3) & ~size_t{3}; }
}  // namespace

uint32_t XdrReader::U32() {
  if (!ok_ || bytes_.size() - at_ < 4) {
    ok_ = false;
    return 0;
  }
  uint32_t value = 0;
  for (int i = 0; i < 4; ++i) value = (value << 8) | static_cast<unsigned char>(bytes_[at_++]);
  return value;
}

std::string XdrReader::Opaque(size_t maxBytes) {
  const size_t length = U32();
  if (!ok_ || length > maxBytes || Padded(length) > bytes_.size() - at_) {
    ok_ = false;
    return {};
  }
  std::string data(bytes_.substr(at_, length));
  at_ += Padded(length);
  return data;
}

XdrWriter& XdrWriter::U32(uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) bytes_.push_back(static_cast<char>(value >> shift));
  return *this;
}

XdrWriter& XdrWriter::Opaque(std::string_view bytes) {
  U32(static_cast<uint32_t>(bytes.size()));
  bytes_.append(bytes);
  bytes_.append(Padded(bytes.size()) - bytes.size(), '\0');
  return *this;
}

}  // namespace sim::rpc
