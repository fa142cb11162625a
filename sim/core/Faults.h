#pragma once
// The faults an instrument can be switched into at run time. Several may be
// on at once; they shape every answer in this order: too long, garbage,
// terminator, cut short or dropped mid-reply, late.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace sim {

enum class FaultKind { kNoAnswer, kLate, kCutShort, kGarbage, kTooLong, kDrop, kRefuse };

struct Faults {
  // A byte count that stands for "half of the answer".
  static constexpr size_t kHalf = static_cast<size_t>(-1);

  bool noAnswer = false;            // commands are handled, nothing is sent back
  uint32_t lateMs = 0;              // answers leave this much later
  std::optional<size_t> cutShort;   // only this many bytes of an answer leave
  bool garbage = false;             // answer bytes replaced by random bytes
  std::optional<size_t> tooLong;    // answer stretched to this many bytes
  std::optional<size_t> drop;       // this many bytes leave, then the connection drops
  bool refuse = false;              // no new client gets through

  bool Any() const;
  void Set(FaultKind kind, size_t value);
  void Clear(FaultKind kind);
  // "none", or the switched-on faults in the text form ("late 200, garbage").
  std::string Describe() const;
};

// Applies a fault text: "none", or comma-separated items "KIND [VALUE]"
// where KIND is noanswer, late, cut, garbage, toolong, drop or refuse, and
// VALUE "off" switches that one fault off. Returns an error text, empty on success.
std::string ApplyFaultText(std::string_view text, Faults* faults);
std::optional<FaultKind> ParseFaultKind(std::string_view word);
std::string_view FaultName(FaultKind kind);

}  // namespace sim
