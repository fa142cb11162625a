#pragma once
// A four-part version number (major.minor.build.revision), made from numbers
// or read from a text; compared part by part.
#include <cstdint>
#include <string>

class Version {
public:
  Version(uint32_t major, uint32_t minor, uint32_t build, uint32_t revision = 0);
  explicit Version(const std::string& text);
  virtual ~Version() = default;

  uint32_t Major() const { return major_; }
  uint32_t Minor() const { return minor_; }
  uint32_t Build() const { return build_; }
  uint32_t Revision() const { return revision_; }
  const std::string& Text() const { return text_; }

  // The first non-zero difference a - b of the parts, read as signed 32 bits.
  static int32_t Compare(const Version& a, const Version& b);
  friend bool operator<(const Version& a, const Version& b) { return Compare(a, b) < 0; }
  friend bool operator==(const Version& a, const Version& b) { return Compare(a, b) == 0; }

private:
  uint32_t major_ = 0, minor_ = 0, build_ = 0, revision_ = 0;
  std::string text_;
};

// The oldest host version the framework works with.
inline constexpr const char* kMinimumHostVersion = "2019.1.9";
