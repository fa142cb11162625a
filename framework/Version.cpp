#include "framework/Version.h"

#include <cctype>

Version::Version(uint32_t major, uint32_t minor, uint32_t build, uint32_t revision)
    : major_(major), minor_(minor), build_(build), revision_(revision) {
  text_ = std::to_string(major) + "." + std::to_string(minor) + "." + std::to_string(build);
  if (revision != 0) text_ += "." + std::to_string(revision);
}

Version::Version(const std::string& text) : text_(text) {
  uint32_t* parts[] = {&major_, &minor_, &build_, &revision_};
  size_t pos = 0;
  for (uint32_t* part : parts) {
    if (pos >= text.size() || !std::isdigit(static_cast<unsigned char>(text[pos]))) break;
    uint32_t value = 0;
    while (pos < text.size() && std::isdigit(static_cast<unsigned char>(text[pos])))
      value = value * 10 + static_cast<uint32_t>(text[pos++] - '0');
    *part = value;
    if (pos >= text.size() || text[pos] != '.') break;
    ++pos;
  }
}

int32_t Version::Compare(const Version& a, const Version& b) {
  const uint32_t pairs[4][2] = {
      {a.major_, b.major_}, {a.minor_, b.minor_}, {a.build_, b.build_}, {a.revision_, b.revision_}};
  for (const auto& p : pairs)
    if (p[0] != p[1]) return static_cast<int32_t>(p[0] - p[1]);
  return 0;
}
