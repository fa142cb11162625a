// NI-488.2 error numbers into the module's status codes, and the built-in
// text of every GPIB status.
#include "legacy/GPIBStatus.h"

#include <gtest/gtest.h>

#include <set>

TEST(GPIBStatus, ErrorNumbersMapToTheirCodes) {
  struct Case {
    int error;
    long count;
    Status status;
  };
  const Case cases[] = {
      {0, 0, 0x30000208},           {1, 0, 0x30000209},          {2, 0, 0x3000020A},
      {3, 0, 0x3000020B},           {4, 0, 0x3000020C},          {5, 0, 0x3000020D},
      {6, 0, 0x3000020E},           {7, 0, 0x3000020F},          {8, 0, 0x30000210},
      {10, 0, 0x30000211},          {11, 0, 0x30000212},         {12, 0, 0x30000213},
      {14, 0, 0x30000214},          {15, 0, 0x30000215},         {16, 0, 0x30000216},
      {20, 0, 0x30000217},          {21, 0, 0x30000230},         {22, 0, 0x30000231},
      {23, 0, 0x30000232},          {26, 0, 0x30000233},         {27, 0, 0x30000234},
      {28, 0, 0x30000236},          {9, 0, 0x300001F7},          {13, 0, 0x300001F7},
      {17, 0, 0x300001F7},          {29, 0, 0x300001F7},         {-1, 0, 0x300001F7},
      // EDVR refined by the driver error in ibcntl.
      {0, static_cast<long>(0xE1060071u), 0x3000023C}, {0, static_cast<long>(0xE1060075u), 0x3000023D},
      {0, static_cast<long>(0xE1060077u), 0x3000023F}, {0, static_cast<long>(0xE1060078u), 0x3000023E},
      {0, static_cast<long>(0xE1080080u), 0x3000023B}, {0, static_cast<long>(0xE1080081u), 0x3000023B},
      {0, static_cast<long>(0xE1080086u), 0x30000240}, {0, static_cast<long>(0xE00A0047u), 0x30000241},
      {0, static_cast<long>(0xE1060072u), 0x30000208},
      // linux-gpib's EDVR carries the system's error number (13 EACCES, 6 ENXIO).
      {0, 13, 0x3000700D},          {0, 6, 0x30007006},          {0, 4096, 0x30000208},
      // Driver codes refine only EDVR.
      {2, static_cast<long>(0xE1060071u), 0x3000020A},
  };
  for (const Case& c : cases)
    EXPECT_EQ(gpibstatus::FromError(c.error, c.count), c.status) << c.error << " " << std::hex << c.count;
}

TEST(GPIBStatus, EveryCodeHasItsOwnText) {
  std::set<Status> codes;
  for (Status code = 0x30000208; code <= 0x30000217; ++code) codes.insert(code);
  for (Status code = 0x3000022E; code <= 0x30000241; ++code)
    if (code != 0x3000022F) codes.insert(code);
  codes.insert({0x30000246, 0x30000247, 0x30000248, 0x300001F7, 0x3000019A, 0x3000019D});
  std::set<std::string> texts;
  for (Status code : codes) {
    const std::string text = gpibstatus::Text(code);
    EXPECT_FALSE(text.empty()) << std::hex << code;
    EXPECT_TRUE(gpibstatus::IsGpibStatus(code)) << std::hex << code;
    texts.insert(text);
  }
  EXPECT_EQ(texts.size(), codes.size()) << "no two codes share a text";
  EXPECT_EQ(gpibstatus::Text(0x30000239), "Specific System Error: %s");
  for (Status other : {0u, 0x3000022Fu, 0x30000218u, 0x30000242u, 0x300000D0u}) {
    EXPECT_EQ(gpibstatus::Text(other), "") << std::hex << other;
    EXPECT_FALSE(gpibstatus::IsGpibStatus(other));
  }
}
