#pragma once
// Holds one reference to a host automation object; releases it when replaced.
#include "swmatrix/automation.h"

class AutomationObject {
public:
  AutomationObject() = default;
  ~AutomationObject() { Clear(); }
  AutomationObject(const AutomationObject&) = delete;
  AutomationObject& operator=(const AutomationObject&) = delete;

  // Releases the previous object, keeps the new one with a reference added.
  void Assign(SwmAutomation* object) {
    if (object) object->AddRef();
    Clear();
    object_ = object;
  }
  // Takes over a reference the caller already owns.
  void Adopt(SwmAutomation* object) {
    Clear();
    object_ = object;
  }
  void Clear() {
    if (object_) object_->Release();
    object_ = nullptr;
  }
  SwmAutomation* Get() const { return object_; }
  explicit operator bool() const { return object_ != nullptr; }

private:
  SwmAutomation* object_ = nullptr;
};
