#pragma once
// Text handed back to the host: clear first, then copy at most size-1
// characters and a terminator; the count never includes the terminator.
#include <cstdint>
#include <string_view>

inline void ClearTextBuffer(char* buffer, uint32_t bufferSize, uint32_t* filledSize) {
  if (filledSize) *filledSize = 0;
  if (buffer && bufferSize >= 1) buffer[0] = '\0';
}

inline void CopyTextToBuffer(std::string_view text, char* buffer, uint32_t bufferSize,
                             uint32_t* filledSize) {
  if (!buffer || !filledSize || bufferSize == 0) return;
  const size_t count = text.size() < bufferSize - 1 ? text.size() : bufferSize - 1;
  text.copy(buffer, count);
  buffer[count] = '\0';
  *filledSize = static_cast<uint32_t>(count);
}
