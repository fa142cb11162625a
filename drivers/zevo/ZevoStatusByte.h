#pragma once
// The relay state byte of the USB relay box: bit i is relay i + 1. The box
// reports its relays in the low four bits of a byte; the upper bits carry
// nothing the driver may rely on.
#include <cstdint>

namespace zevo {

constexpr uint8_t kRelayBits = 0x0F;

// Whether a report of the box shows the relays of the byte sent.
constexpr bool EchoMatches(uint8_t sent, uint8_t echo) { return (echo & kRelayBits) == (sent & kRelayBits); }

}  // namespace zevo
