#include "framework/Version.h"

#include <gtest/gtest.h>

TEST(Version, ReadsNumbersFromTextUntilAComponentIsNoNumber) {
  struct Case {
    std::string text;
    uint32_t major, minor, build, revision;
  };
  const Case cases[] = {
      {"2019.1.9", 2019, 1, 9, 0},
      {"2019.1", 2019, 1, 0, 0},
      {"1.2.3.4", 1, 2, 3, 4},
      {"1.2.3.4.5", 1, 2, 3, 4},
      {"", 0, 0, 0, 0},
      {"abc", 0, 0, 0, 0},
      {" 1.2", 0, 0, 0, 0},
      {"7", 7, 0, 0, 0},
      {"7.", 7, 0, 0, 0},
      {"3..4", 3, 0, 0, 0},
      {"1.2b.3", 1, 2, 0, 0},  // a letter ends the reading
      {"1.x.3", 1, 0, 0, 0},
      {"10.20.30 beta", 10, 20, 30, 0},
      {"007.08", 7, 8, 0, 0},
      {"4294967295.1", 4294967295u, 1, 0, 0},
  };
  for (const Case& c : cases) {
    const Version v(c.text);
    EXPECT_EQ(v.Major(), c.major) << c.text;
    EXPECT_EQ(v.Minor(), c.minor) << c.text;
    EXPECT_EQ(v.Build(), c.build) << c.text;
    EXPECT_EQ(v.Revision(), c.revision) << c.text;
    EXPECT_EQ(v.Text(), c.text);
  }
}

TEST(Version, TextOfNumbersHasThreePartsUnlessRevisionIsSet) {
  EXPECT_EQ(Version(2019, 1, 9).Text(), "2019.1.9");
  EXPECT_EQ(Version(2019, 1, 9, 0).Text(), "2019.1.9");
  EXPECT_EQ(Version(1, 0, 0, 7).Text(), "1.0.0.7");
  EXPECT_EQ(Version(0, 0, 0).Text(), "0.0.0");
}

TEST(Version, ComparesPartByPart) {
  struct Case {
    Version a, b;
    int sign;
  };
  const Case cases[] = {
      {Version("2019.1.8"), Version("2019.1.9"), -1},
      {Version("2019.1"), Version(2019, 1, 0), 0},
      {Version("2019.2"), Version("2019.1.9"), 1},
      {Version("2020"), Version("2019.99.99.99"), 1},
      {Version(1, 2, 3, 4), Version(1, 2, 3, 5), -1},
      {Version("1.2.3.4"), Version(1, 2, 3, 4), 0},
      {Version("1.10"), Version("1.9"), 1},
  };
  for (const Case& c : cases) {
    const int32_t result = Version::Compare(c.a, c.b);
    EXPECT_EQ((result > 0) - (result < 0), c.sign) << c.a.Text() << " vs " << c.b.Text();
    EXPECT_EQ(c.a < c.b, c.sign < 0) << c.a.Text() << " vs " << c.b.Text();
    EXPECT_EQ(c.a == c.b, c.sign == 0) << c.a.Text() << " vs " << c.b.Text();
  }
  EXPECT_EQ(Version::Compare(Version(5, 0, 0), Version(2, 0, 0)), 3);
  EXPECT_EQ(Version::Compare(Version(1, 2, 0), Version(1, 7, 0)), -5);
  // The difference is read as signed 32 bits.
  EXPECT_EQ(Version::Compare(Version(0x80000000u, 0, 0), Version(0, 0, 0)), INT32_MIN);
  // The host's version against the minimum: DeviceDriverBase.HostVersionCheck.
}
