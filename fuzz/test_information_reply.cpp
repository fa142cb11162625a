// Fuzzes the EUT status reporter's reading of "TESTINFO name=value" reply
// lines: an item has a name without "=" and without surrounding blanks, and
// both parts are pieces of the line.
#include <cstddef>
#include <cstdint>
#include <string>

#include "FuzzCheck.h"
#include "drivers/eutstatus/TestInformationReply.h"

namespace {
bool Blank(char c) { return c == ' ' || c == '\t'; }
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string line(reinterpret_cast<const char*>(data), size);
  const auto item = ParseTestInformationReply(line);
  if (!item) return 0;
  Check(!item->name.empty() && item->name.find('=') == std::string::npos);
  Check(!Blank(item->name.front()) && !Blank(item->name.back()));
  Check(item->value.empty() || (!Blank(item->value.front()) && !Blank(item->value.back())));
  Check(line.find(item->name) != std::string::npos && line.find(item->value) != std::string::npos);
  Check(line.size() > 9 && (line[0] == 'T' || line[0] == 't'));
  return 0;
}
