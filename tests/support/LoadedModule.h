#pragma once
// The built module, loaded once per test process the way a host loads it.
// Every driver a test leaves behind (say an assertion failed before its
// RemoveDeviceDriver) is removed when the test ends, so each test finds the
// module without drivers and handed out IDs start from 0 again.
#include <gtest/gtest.h>

#include <string>

#include "swmatrix/loader.h"

// A host event (SetValue 1500) with its value.
inline uint32_t HostEvent(swm::Module& m, uint16_t id, uint32_t event, double value = 0) {
  return m.SetValue(0, id, 1500, &event, &value);
}

inline std::string BuiltModulePath() { return std::string(SWM_BUILD_DIR) + "/lib/libswmatrix.so"; }

class RemovesLeftDrivers : public ::testing::EmptyTestEventListener {
public:
  static constexpr uint32_t kIdsChecked = 64;
  explicit RemovesLeftDrivers(swm::Module& module) : module_(module) {}
  void OnTestEnd(const ::testing::TestInfo&) override {
    for (uint32_t id = 0; id < kIdsChecked; ++id) module_.RemoveDeviceDriver(0, id);
  }

private:
  swm::Module& module_;
};

inline swm::Module& LoadedModule() {
  static swm::Module& module = []() -> swm::Module& {
    static swm::Module loaded(BuiltModulePath());
    ::testing::UnitTest::GetInstance()->listeners().Append(new RemovesLeftDrivers(loaded));
    return loaded;
  }();
  return module;
}
