#pragma once
// XDR, the external data representation of ONC RPC: big-endian 32-bit
// words, and opaque data and strings as a length word, the bytes and zero
// padding up to a multiple of four.
#include <cstdint>
#include <string>
#include <string_view>

namespace sim::rpc {

// Reads items in order. A read past the end, or an opaque longer than its
// limit, fails the reader for good and yields zeros and empty data.
class XdrReader {
public:
  explicit XdrReader(std::string_view bytes) : bytes_(bytes) {}

  uint32_t U32();
  int32_t I32() { return static_cast<int32_t>(U32()); }
  bool Bool() { return U32() != 0; }
  std::string Opaque(size_t maxBytes = SIZE_MAX);
  bool Ok() const { return ok_; }
  std::string_view Rest() const { return ok_ ? bytes_.substr(at_) : std::string_view(); }

private:
  std::string_view bytes_;
  size_t at_ = 0;
  bool ok_ = true;
};

class XdrWriter {
public:
  XdrWriter& U32(uint32_t value);
  XdrWriter& I32(int32_t value) { return U32(static_cast<uint32_t>(value)); }
  XdrWriter& Opaque(std::string_view bytes);
  const std::string& Bytes() const { return bytes_; }

private:
  std::string bytes_;
};

}  // namespace sim::rpc
