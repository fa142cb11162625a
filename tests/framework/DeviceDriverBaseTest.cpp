#include "framework/DeviceDriverBase.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>

#include "framework/ReentryGuard.h"
#include "framework/SwitchMatrixBase.h"
#include "framework/TextBuffer.h"
#include "framework/ToleranceCompare.h"
#include "support/DriverErrorText.h"
#include "support/MessageBoxRecorder.h"

namespace {
// A driver whose descriptive texts and error texts a test can set.
class TestDriver : public SwitchMatrixBase {
public:
  void SetTexts(const wxString& description, const wxString& brand, const wxString& type) {
    msDescription = description;
    msBrand = brand;
    msType = type;
  }
  Status GetErrorString(HostWindow hWnd, uint32_t err, char* buffer, uint32_t bufferSize,
                        uint32_t* read) override {
    if (err == 0x30001234) {
      ClearTextBuffer(buffer, bufferSize, read);
      CopyTextToBuffer("Relay stuck", buffer, bufferSize, read);
      return 0;
    }
    return SwitchMatrixBase::GetErrorString(hWnd, err, buffer, bufferSize, read);
  }
  uint32_t& Depth() { return callDepth; }
};

// An automation object with reference counting and named properties.
class FakeAutomation : public SwmAutomation {
public:
  uint32_t AddRef() override { return ++references; }
  uint32_t Release() override { return --references; }
  SwmAutomation* GetProperty(const char* name) override {
    const auto found = properties.find(name);
    if (found == properties.end()) return nullptr;
    found->second->AddRef();
    return found->second;
  }
  int references = 0;
  std::map<std::string, SwmAutomation*> properties;
};
}  // namespace

TEST(TextBuffer, ClearsAndCopiesWithinTheSize) {
  struct Case {
    const char* text;
    uint32_t size;
    const char* expected;
    uint32_t count;
  };
  const Case cases[] = {
      {"hello", 1, "", 0}, {"hello", 4, "hel", 3}, {"hello", 6, "hello", 5},
      {"hello", 100, "hello", 5}, {"", 10, "", 0},
  };
  for (const Case& c : cases) {
    char buffer[128];
    std::memset(buffer, 'x', sizeof buffer);
    uint32_t count = 77;
    ClearTextBuffer(buffer, c.size, &count);
    CopyTextToBuffer(c.text, buffer, c.size, &count);
    EXPECT_STREQ(buffer, c.expected) << c.text << "/" << c.size;
    EXPECT_EQ(count, c.count);
  }
  // Size 0: nothing is written at all.
  char untouched = 'u';
  uint32_t count = 5;
  CopyTextToBuffer("abc", &untouched, 0, &count);
  ClearTextBuffer(&untouched, 0, nullptr);
  EXPECT_EQ(untouched, 'u');
  EXPECT_EQ(count, 5u);
}

TEST(ToleranceCompare, RelativeWithExactZeroSpecial) {
  struct Case {
    double a, b;
    int expected;
  };
  const Case cases[] = {
      {1.0, 1.0, 0},          {1.0, 1.0 + 1e-9, 0}, {1.0, 1.0 + 1e-7, -1}, {2.0, 1.0, 1},
      {1e-12, 0.0, 1},        {0.0, 1e-7, -1},      {1e6, 1e6 + 0.001, 0}, {-5.0, -5.0000001, 1},
      {0.0, 0.0, 0},          {1e-12, 2e-12, -1},
  };
  for (const Case& c : cases) EXPECT_EQ(ToleranceCompare(c.a, c.b), c.expected) << c.a << " " << c.b;
}

TEST(ReentryGuard, RunsTenNestedCallsAndFailsTheEleventh) {
  uint32_t depth = 0;
  int ran = 0;
  std::function<Status()> nested = [&]() -> Status {
    ReentryGuard guard(depth, DRV_ERR_NOT_IMPLEMENTED);
    if (!guard.Entered()) return guard.Failure();
    ++ran;
    return nested();
  };
  EXPECT_EQ(nested(), DRV_ERR_NOT_IMPLEMENTED);
  EXPECT_EQ(ran, 10);
  EXPECT_EQ(depth, 0u);
  ReentryGuard plain(depth);
  EXPECT_EQ(plain.Failure(), DRV_ERR_REENTRY_LIMIT);
}

TEST(DeviceDriverBase, DefaultsOfTheVirtualOperations) {
  TestDriver driver;
  double frequency = -1;
  EXPECT_EQ(driver.GetCurrentFrequency(0, &frequency), 0u);
  EXPECT_EQ(frequency, 0.0);
  EXPECT_EQ(driver.GetDriverVersion(0, nullptr), DRV_ERR_NOT_IMPLEMENTED);
  EXPECT_EQ(driver.SetSpecificSetting(0, nullptr, nullptr), DRV_ERR_NOT_IMPLEMENTED);
  EXPECT_EQ(driver.GetSpecificInput(0, nullptr, nullptr), DRV_ERR_NOT_IMPLEMENTED);
  EXPECT_EQ(driver.CheckDeviceOnStream(0), 0u);
  EXPECT_EQ(driver.GetSpecificSettingState(0, nullptr, nullptr), 0u);
  double info = 5;
  EXPECT_EQ(driver.GetInfo(0, 1, &info), DRV_ERR_UNKNOWN_INFO_ID);
  EXPECT_EQ(info, 5.0);
  char buffer[4] = {'a', 'b', 'c', 'd'};
  uint32_t filled = 9;
  EXPECT_EQ(driver.GetInfoString(0, 1, buffer, 4, &filled), DRV_ERR_UNKNOWN_INFO_ID);
  EXPECT_EQ(buffer[0], '\0');
  EXPECT_EQ(filled, 0u);
  buffer[0] = 'z';
  filled = 9;
  EXPECT_EQ(driver.GetSpecificSetting(0, nullptr, buffer, 4, &filled), 0u);
  EXPECT_EQ(buffer[0], '\0');
  EXPECT_EQ(filled, 0u);
}

TEST(DeviceDriverBase, ValueIdDispatch) {
  TestDriver driver;
  double frequency = 433.92;
  char version[] = "2019.1.9";
  struct Case {
    bool set;  // SetValue, else GetValue
    uint32_t valueId;
    void* data1;
    Status expected;
  };
  const Case cases[] = {
      {true, 2, &frequency, 0},
      {true, 4, nullptr, DRV_ERR_NOT_IMPLEMENTED},
      {true, 5, version, 0},
      {true, 1, nullptr, DRV_ERR_UNKNOWN_SET_VALUE_ID},
      {true, 1550, nullptr, DRV_ERR_UNKNOWN_SET_VALUE_ID},
      {false, 54, nullptr, 0},
      {false, 55, nullptr, DRV_ERR_NOT_IMPLEMENTED},
      {false, 56, nullptr, 0},
      {false, 53, nullptr, DRV_ERR_UNKNOWN_GET_VALUE_ID},
      {false, 1500, nullptr, DRV_ERR_UNKNOWN_GET_VALUE_ID},
  };
  for (const Case& c : cases) {
    const Status status = c.set ? driver.SetValue(0, c.valueId, c.data1, nullptr)
                                : driver.GetValue(0, c.valueId, c.data1, nullptr);
    EXPECT_EQ(status, c.expected) << (c.set ? "Set " : "Get ") << c.valueId;
  }
  double current = 0;
  driver.GetCurrentFrequency(0, &current);
  EXPECT_EQ(current, 433.92);

  char buffer[8] = "xxxxxxx";
  uint32_t filled = 3;
  EXPECT_EQ(driver.GetValueString(0, 53, nullptr, buffer, sizeof buffer, &filled), 0u);
  EXPECT_EQ(filled, 0u);
  EXPECT_EQ(driver.GetValueString(0, 54, nullptr, buffer, sizeof buffer, &filled),
            DRV_ERR_UNKNOWN_GET_VALUE_ID);
}

TEST(DeviceDriverBase, HostVersionCheck) {
  TestDriver driver;
  struct Case {
    const char* version;
    Status expected;
  };
  const Case cases[] = {{"2019.1.8", DRV_ERR_HOST_VERSION_TOO_OLD}, {"2019.1.9", 0}, {"2019.1.10", 0},
                        {"2019.2", 0}, {"2018.12.31", DRV_ERR_HOST_VERSION_TOO_OLD}, {"2020", 0},
                        {"", DRV_ERR_HOST_VERSION_TOO_OLD}, {"2019.1.9.1", 0}, {"v2020", DRV_ERR_HOST_VERSION_TOO_OLD}};
  for (const Case& c : cases) {
    std::string text = c.version;
    EXPECT_EQ(driver.SetValue(0, SWM_VALUE_SET_HOST_VERSION, text.data(), nullptr), c.expected) << c.version;
  }
  EXPECT_EQ(DriverErrorText(driver, DRV_ERR_HOST_VERSION_TOO_OLD),
            "The used Vantorix version is too old. This driver can only be used in Vantorix version "
            "2019.1.9 and higher");
}

TEST(DeviceDriverBase, ErrorTextsOfTheBaseAndTheChain) {
  TestDriver driver;
  EXPECT_EQ(DriverErrorText(driver, DRV_ERR_TCP_RESPONSE_TOO_LARGE),
            "The response of a TCPIP controlled device is larger than expected.");
  EXPECT_EQ(DriverErrorText(driver, DRV_ERR_VISA_NOT_FOUND), "Could not find VISA32.DLL. Is VISA installed?");
  EXPECT_EQ(DriverErrorText(driver, 0x30001234), "Relay stuck");
  EXPECT_EQ(DriverErrorText(driver, DRV_ERR_UNKNOWN_DEVICE_ID), "");
  EXPECT_EQ(DriverErrorText(driver, 0x3FFFFFFF), "");
  // Without a buffer the call still succeeds (a host asking for the length only, or a careless one).
  uint32_t read = 7;
  EXPECT_EQ(driver.GetErrorString(0, DRV_ERR_VISA_NOT_FOUND, nullptr, 0, &read), 0u);
  EXPECT_EQ(driver.GetErrorString(0, DRV_ERR_VISA_NOT_FOUND, nullptr, 100, nullptr), 0u);
}

TEST(DeviceDriverBase, SettingsUseDoublesAndMilliHz) {
  TestDriver driver;
  EXPECT_EQ(driver.SetSetting(0, 4003, 1e-12), 0u);
  EXPECT_TRUE(driver.UseDoubles());
  EXPECT_EQ(driver.SetSetting(0, 4003, 0.0), 0u);
  EXPECT_FALSE(driver.UseDoubles());
  EXPECT_EQ(driver.SetSetting(0, 4004, -1.0), 0u);
  EXPECT_TRUE(driver.UseMilliHzFrequency());
  EXPECT_FALSE(driver.UseDoubles());
  EXPECT_EQ(driver.SetSetting(0, 4005, 1.0), DRV_ERR_UNKNOWN_SETTING_ID);
  EXPECT_TRUE(driver.UseMilliHzFrequency());
}

TEST(DeviceDriverBase, CaptionSkipsBrandAndTypeContainedInTheDescription) {
  struct Case {
    const char* description;
    const char* brand;
    const char* type;
    const char* expected;
  };
  const Case cases[] = {
      {"Switch A", "Acme", "SW1", "Acme SW1 Switch A"},
      {"Acme switch A", "Acme", "SW1", "SW1 Acme switch A"},
      {"Acme SW1 in rack", "Acme", "SW1", "Acme SW1 in rack"},
      {"Rack", "", "", "Rack"},
      {"", "Acme", "SW1", "Acme SW1 "},
      {"", "", "", ""},
  };
  for (const Case& c : cases) {
    TestDriver driver;
    driver.SetTexts(c.description, c.brand, c.type);
    EXPECT_EQ(driver.DeviceCaption(), c.expected) << c.description;
  }
}

TEST(DeviceDriverBase, ShowErrorMessageFormatsTextAndCode) {
  MessageBoxRecorder boxes;
  TestDriver driver;
  driver.SetTexts("Rack", "Acme", "");
  driver.ShowErrorMessage(4, 0);
  driver.ShowErrorMessage(4, 0x3FFFFFFF);  // no text: no box
  EXPECT_TRUE(boxes.boxes.empty());
  driver.ShowErrorMessage(4, 0x30001234);
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_EQ(boxes.boxes[0].text, "Error: Relay stuck\n\nCode: 805311028 (hex: 0x30001234)");
  EXPECT_EQ(boxes.boxes[0].title, "Acme Rack");
  EXPECT_EQ(boxes.boxes[0].type, uint32_t{kMbIconError});
  EXPECT_EQ(boxes.boxes[0].owner, 4u);
}

TEST(DeviceDriverBase, InformationItemsFromTestDataOrDirect) {
  FakeAutomation eut, testData, standard, items, direct;
  standard.properties["InformationItems"] = &items;
  testData.properties["StandardTestData"] = &standard;
  {
    TestDriver driver;
    SwmAutomation* eutPointer = &eut;
    SwmAutomation* dataPointer = &testData;
    EXPECT_EQ(driver.SetValue(0, SWM_VALUE_SET_INFORMATION_ITEMS, &eutPointer, &dataPointer), 0u);
    EXPECT_EQ(driver.EUT(), &eut);
    EXPECT_EQ(driver.TestData(), &testData);
    EXPECT_EQ(driver.InformationItems(), &items);
    EXPECT_EQ(standard.references, 0);  // the temporary was released
    EXPECT_EQ(items.references, 1);

    // An information-items object passed directly replaces the test data.
    SwmAutomation* directPointer = &direct;
    driver.SetValue(0, SWM_VALUE_SET_INFORMATION_ITEMS, &eutPointer, &directPointer);
    EXPECT_EQ(driver.InformationItems(), &direct);
    EXPECT_EQ(driver.TestData(), nullptr);
    EXPECT_EQ(testData.references, 0);
    EXPECT_EQ(items.references, 0);
    EXPECT_EQ(eut.references, 1);
  }
  EXPECT_EQ(eut.references, 0);
  EXPECT_EQ(direct.references, 0);
}

TEST(SwitchMatrixBase, DefaultRequestAnswers) {
  TestDriver driver;
  for (uint32_t request = 1; request <= 3; ++request) {
    uint32_t answer = 0;
    EXPECT_EQ(driver.GetValue(0, SWM_VALUE_REQUEST, &request, &answer), 0u);
    EXPECT_EQ(answer, 1u);
  }
  // Request 4 (a text): HostValues.RequestForATextNeverReadsTheAnswerBufferBeforeFillingIt.
  uint32_t other = 5, data = 42;
  EXPECT_EQ(driver.GetValue(0, SWM_VALUE_REQUEST, &other, &data), 0u);
  EXPECT_EQ(data, 42u);
  uint32_t event = 85;
  double value = 1;
  EXPECT_EQ(driver.SetValue(0, SWM_VALUE_EVENT, &event, &value), 0u);
}
