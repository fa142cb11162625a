// Splitting a command line into words: never crashes, and the words, each
// written again in single quotes, split back into the same words.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/ProcessLauncher.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string line(reinterpret_cast<const char*>(data), size);
  std::vector<std::string> words;
  if (!SplitCommandLine(line, &words)) return 0;
  std::string quoted;
  for (const std::string& word : words) {
    quoted += quoted.empty() ? "'" : " '";
    for (char c : word) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    quoted += "'";
  }
  std::vector<std::string> again;
  if (!SplitCommandLine(quoted, &again) || again != words) __builtin_trap();
  return 0;
}
