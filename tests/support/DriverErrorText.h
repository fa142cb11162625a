#pragma once
// The text a driver gives for a status, read as a host reads it: the call
// succeeds and counts exactly the characters it wrote.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "framework/DeviceDriverBase.h"

inline std::string DriverErrorText(DeviceDriverBase& driver, uint32_t status) {
  std::vector<char> buffer(1025, 'x');
  uint32_t read = 99;
  EXPECT_EQ(driver.GetErrorString(0, status, buffer.data(), 1024, &read), 0u);
  EXPECT_EQ(std::strlen(buffer.data()), read);
  return std::string(buffer.data(), read);
}
