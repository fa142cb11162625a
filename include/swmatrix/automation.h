#pragma once
// The host's automation objects (equipment under test, test data,
// information items), passed to SetValue 3. Reference counted.
#include <cstdint>

class SwmAutomation {
public:
  virtual uint32_t AddRef() = 0;
  virtual uint32_t Release() = 0;
  // The property's object with a reference added for the caller, or null.
  virtual SwmAutomation* GetProperty(const char* name) = 0;

protected:
  ~SwmAutomation() = default;
};
