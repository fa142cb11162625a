// Test entry point: message boxes answer at once, nothing blocks a test.
#include <gtest/gtest.h>

#include <cstdlib>

int main(int argc, char** argv) {
  setenv("SWMATRIX_MESSAGEBOX", "ok", 0);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
