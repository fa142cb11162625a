// Fuzzes the reading of version texts: any text keeps its text, compares
// equal to itself and to the version made from the numbers read from it, and
// the numbers read back from the canonical text are the same.
#include <cstddef>
#include <cstdint>
#include <string>

#include "FuzzCheck.h"
#include "framework/Version.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const Version version(text);
  Check(version.Text() == text);
  Check(Version::Compare(version, version) == 0);

  const Version numbers(version.Major(), version.Minor(), version.Build(), version.Revision());
  Check(Version::Compare(version, numbers) == 0);
  const Version reread(numbers.Text());
  Check(reread.Major() == version.Major() && reread.Minor() == version.Minor() &&
        reread.Build() == version.Build() && reread.Revision() == version.Revision());

  // Two versions from the two halves of the input: the order is consistent.
  const Version first(text.substr(0, size / 2)), second(text.substr(size / 2));
  const int32_t forward = Version::Compare(first, second);
  Check((forward == 0) == (Version::Compare(second, first) == 0));
  Check((forward < 0) == (first < second));
  return 0;
}
