// Fuzzes the simulator's reading of HiSLIP messages from a client's byte
// stream. Nothing may crash; the messages do not depend on how the stream is
// cut; a message kept whole has the payload its header announced, one over
// the limit comes without payload; a message encoded again reads back as itself.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "FuzzCheck.h"
#include "sim/hislip/HislipMessage.h"

namespace {
constexpr uint64_t kLimit = 64;

bool Same(const sim::hislip::Message& a, const sim::hislip::Message& b) {
  return a.type == b.type && a.control == b.control && a.parameter == b.parameter && a.payload == b.payload &&
         a.length == b.length && a.dropped == b.dropped;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  sim::hislip::MessageReader whole(kLimit), bytewise(kLimit);
  const std::vector<sim::hislip::Message> messages = whole.Feed(input);
  std::vector<sim::hislip::Message> again;
  for (char byte : input)
    for (sim::hislip::Message& message : bytewise.Feed(std::string_view(&byte, 1))) again.push_back(std::move(message));
  Check(whole.Failed() == bytewise.Failed() && again.size() == messages.size());
  for (size_t i = 0; i < messages.size(); ++i) Check(Same(messages[i], again[i]));

  for (const sim::hislip::Message& message : messages) {
    Check(message.dropped ? message.length > kLimit && message.payload.empty()
                          : message.payload.size() == message.length);
    if (message.dropped) continue;
    sim::hislip::MessageReader reader(kLimit);
    const auto read = reader.Feed(sim::hislip::Encode(message.type, message.control, message.parameter, message.payload));
    Check(read.size() == 1 && Same(read[0], message) && !reader.Failed());
  }
  return 0;
}
