// The tower base's height conversions: a tower that implements only one
// height variant receives heights given in the other, one that implements
// neither answers "not implemented" after the nested conversions and leaves
// no call depth behind, and a plain tower takes no doubles.
#include <gtest/gtest.h>

#include "framework/AntennaTowerBase.h"

namespace {
class FixedTower : public AntennaTowerBase {
public:
  Status GetMinimumPhysicalHeight(HostWindow, void* metres) override {
    WriteHeight(metres, 1.0);
    return 0;
  }
  Status GetMaximumPhysicalHeight(HostWindow, void* metres) override {
    WriteHeight(metres, 2.0);
    return 0;
  }
};

class DoubleTower : public FixedTower {
public:
  using AntennaTowerBase::GoToHeight;
  Status GoToHeight(HostWindow, const double* metres) override {
    reached = *metres;
    ++calls;
    return 0;
  }
  double reached = 0;
  int calls = 0;
};

class FloatTower : public FixedTower {
public:
  using AntennaTowerBase::GoToHeight;
  Status GoToHeight(HostWindow, const float* metres) override {
    reached = *metres;
    return 0;
  }
  float reached = 0;
};
}  // namespace

TEST(AntennaTowerBase, AHeightReachesTheVariantTheTowerImplements) {
  DoubleTower doubles;
  float single = 2.5f;
  EXPECT_EQ(doubles.SetValue(0, 1200, &single, nullptr), 0u);
  EXPECT_EQ(doubles.reached, 2.5);
  EXPECT_EQ(doubles.calls, 1);
  ASSERT_EQ(doubles.SetSetting(0, 4003, 1.0), 0u);
  double wide = 1.25;
  EXPECT_EQ(doubles.SetValue(0, 1200, &wide, nullptr), 0u);
  EXPECT_EQ(doubles.reached, 1.25);

  FloatTower floats;
  ASSERT_EQ(floats.SetSetting(0, 4003, 1.0), 0u);
  wide = 3.75;
  EXPECT_EQ(floats.SetValue(0, 1200, &wide, nullptr), 0u);
  EXPECT_EQ(floats.reached, 3.75f);
  EXPECT_EQ(floats.CallDepth(), 0u);
}

TEST(AntennaTowerBase, ATowerWithoutHeightsEndsTheConversionsWithNotImplemented) {
  for (const double useDoubles : {0.0, 1.0}) {
    FixedTower tower;
    ASSERT_EQ(tower.SetSetting(0, 4003, useDoubles), 0u);
    double wide = 1.5;
    float single = 1.5f;
    void* height = useDoubles != 0.0 ? static_cast<void*>(&wide) : static_cast<void*>(&single);
    EXPECT_EQ(tower.SetValue(0, 1200, height, nullptr), 0x300000CBu);
    EXPECT_EQ(tower.CallDepth(), 0u);
    // The depth is back to 0: a second call ends the same way.
    EXPECT_EQ(tower.SetValue(0, 1200, height, nullptr), 0x300000CBu);
  }
}

TEST(AntennaTowerBase, APlainTowerTakesNoDoublesAndLacksTheMovingOperations) {
  FixedTower tower;
  double value = 7;
  EXPECT_EQ(tower.GetInfo(0, 3003, &value), 0u);
  EXPECT_EQ(value, 0.0);
  EXPECT_EQ(tower.GetInfo(0, 3004, &value), 0x300000D3u);
  int32_t number = 0;
  for (uint32_t id : {1250u, 1251u, 1252u}) EXPECT_EQ(tower.GetValue(0, id, &number, nullptr), 0x300000CBu) << id;
  EXPECT_EQ(tower.SetValue(0, 1201, &number, nullptr), 0x300000CBu);
  EXPECT_EQ(tower.SetValue(0, 1202, nullptr, nullptr), 0x300000CBu);
  float single = 0;
  EXPECT_EQ(tower.GetValue(0, 1254, &single, nullptr), 0u);
  EXPECT_EQ(single, 2.0f);
}
