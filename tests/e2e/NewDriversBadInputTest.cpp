// The new drivers given missing data pointers and out-of-range numbers
// through the exports: every call returns a status, nothing is written
// through a null pointer, and events before the device is initialised do
// not crash (they send nothing or report the missing connection).
#include <gtest/gtest.h>

#include <string>

#include "support/LoadedModule.h"
#include "support/TestFiles.h"

TEST(NewDriversBadInput, EveryCallReturnsAStatus) {
  swm::Module& m = LoadedModule();
  TestDirectory directory;
  const char* keys[] = {"MCC_USB_ERB24", "ADVANTECHPCI1761", "DAE_CB_RO16", "ZEVOPROBEX5CALIBRATION", "KREAntennaTower",
                        "KRE", "ADVANTECHPCI1761ATTTRIMBLE", "VTXEUTSTATUS", "ARSC1000", "TOYONS4905"};
  for (const char* key : keys) {
    SCOPED_TRACE(key);
    uint16_t id = 0;
    ASSERT_EQ(m.CreateNewDeviceDriver(0, key, &id), 0u);
    EXPECT_EQ(m.LoadConfiguration(0, id, nullptr), 0u);
    for (uint32_t valueId : {3u, 1200u, 1201u, 1202u, 1500u}) m.SetValue(0, id, valueId, nullptr, nullptr);
    for (uint32_t valueId : {1250u, 1251u, 1252u, 1253u, 1254u, 1550u}) m.GetValue(0, id, valueId, nullptr, nullptr);
    m.GetInfo(0, id, 3003, nullptr);
    uint32_t read = 7;
    EXPECT_EQ(m.GetErrorString(0, id, 0x3000B0F4, nullptr, 0, &read), 0u);
    EXPECT_EQ(m.GetErrorString(0, id, 0x30001388, nullptr, 100, nullptr), 0u);
    char tiny[1] = {'x'};
    EXPECT_EQ(m.GetErrorString(0, id, 0x3000B0F4, tiny, 1, &read), 0u);
    EXPECT_EQ(tiny[0], '\0');
    // Events outside the table of events; a tower takes no events at all.
    const bool tower = std::string(key) == "KREAntennaTower" || std::string(key) == "ADVANTECHPCI1761ATTTRIMBLE";
    for (uint32_t event : {0u, 85u, 0xFFFFFFFFu}) {
      double value = -1e300;
      EXPECT_EQ(m.SetValue(0, id, 1500, &event, &value), tower ? 0x300000CCu : 0u) << event;
    }
    const std::string saved = directory.File(std::string(key) + ".ini");
    EXPECT_EQ(m.SaveConfiguration(0, id, saved.c_str()), 0u);
    EXPECT_EQ(m.DeInitDevice(0, id), 0u);
    EXPECT_EQ(m.RemoveDeviceDriver(0, id), 0u);
  }
}
