#pragma once
// ONC RPC record marking on a byte stream: a record is one or more
// fragments, each behind a 4-byte header whose top bit marks the last
// fragment and whose other 31 bits give the fragment's length.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace sim::rpc {

class RecordReader {
public:
  // A record longer than this fails the stream (the peer is not speaking RPC).
  static constexpr size_t kMaxRecord = 16u << 20;

  // Adds bytes; returns the records they complete.
  std::vector<std::string> Feed(std::string_view bytes);
  bool Failed() const { return failed_; }

private:
  std::string buffer_;  // bytes not yet cut into fragments
  std::string record_;  // the fragments of the record so far
  bool failed_ = false;
};

// The record as one last fragment.
std::string MarkRecord(std::string_view record);

}  // namespace sim::rpc
