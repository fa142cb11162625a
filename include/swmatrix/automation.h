#pragma once
// The host's automation objects (equipment under test, test data,
// information items), passed to SetValue 3. Reference counted, reached by
// name: properties are read and written and methods called late-bound, as a
// scripting host would.
#include <cstdint>
#include <string>
#include <vector>

class SwmAutomation;

// A value passed to or returned from a late-bound call.
struct SwmVariant {
  enum class Kind { kEmpty, kInteger, kReal, kText, kObject };
  Kind kind = Kind::kEmpty;
  int64_t integer = 0;
  double real = 0.0;
  std::string text;
  // An object result carries one reference for the receiver, who releases it.
  SwmAutomation* object = nullptr;

  static SwmVariant Integer(int64_t value) {
    SwmVariant v;
    v.kind = Kind::kInteger;
    v.integer = value;
    return v;
  }
  static SwmVariant Text(std::string value) {
    SwmVariant v;
    v.kind = Kind::kText;
    v.text = std::move(value);
    return v;
  }
};

enum class SwmInvokeKind { kPropertyGet, kPropertyPut, kMethod };

class SwmAutomation {
public:
  virtual uint32_t AddRef() = 0;
  virtual uint32_t Release() = 0;
  // The property's object with a reference added for the caller, or null.
  virtual SwmAutomation* GetProperty(const char* name) = 0;
  // A property read (arguments select, e.g. an index), a property write (the
  // new value is the last argument) or a method call, by member name. False
  // when the object has no such member or the call fails.
  virtual bool Invoke(const char* /*name*/, SwmInvokeKind /*kind*/, const std::vector<SwmVariant>& /*arguments*/,
                      SwmVariant* /*result*/) {
    return false;
  }

protected:
  ~SwmAutomation() = default;
};
