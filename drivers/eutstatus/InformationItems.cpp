#include "drivers/eutstatus/InformationItems.h"

#include <cstdio>

#include "framework/NumberConversion.h"

namespace automation {
namespace {
std::string AsText(const SwmVariant& value) {
  char text[64];
  switch (value.kind) {
    case SwmVariant::Kind::kText:
      return value.text;
    case SwmVariant::Kind::kInteger:
      return std::to_string(value.integer);
    case SwmVariant::Kind::kReal:
      std::snprintf(text, sizeof text, "%G", value.real);
      return text;
    default:
      return "";
  }
}

// Drops an object a call returned where none was wanted.
void ReleaseObject(SwmVariant& value) {
  if (value.kind == SwmVariant::Kind::kObject && value.object) value.object->Release();
  value.object = nullptr;
}
}  // namespace

long Count(SwmAutomation& items) {
  SwmVariant result;
  if (!items.Invoke("Count", SwmInvokeKind::kPropertyGet, {}, &result)) return 0;
  ReleaseObject(result);
  if (result.kind == SwmVariant::Kind::kInteger) return static_cast<long>(result.integer);
  if (result.kind == SwmVariant::Kind::kReal) return TruncatedToInt32(result.real);
  return 0;
}

SwmAutomation* Item(SwmAutomation& items, long index) {
  SwmVariant result;
  if (!items.Invoke("Item", SwmInvokeKind::kPropertyGet, {SwmVariant::Integer(index)}, &result)) return nullptr;
  return result.kind == SwmVariant::Kind::kObject ? result.object : nullptr;
}

bool AddItem(SwmAutomation& items, const std::string& name, const std::string& value) {
  SwmVariant result;
  const bool done =
      items.Invoke("AddItem", SwmInvokeKind::kMethod, {SwmVariant::Text(name), SwmVariant::Text(value)}, &result);
  ReleaseObject(result);
  return done;
}

std::string TextProperty(SwmAutomation& object, const char* name) {
  SwmVariant result;
  if (!object.Invoke(name, SwmInvokeKind::kPropertyGet, {}, &result)) return "";
  ReleaseObject(result);
  return AsText(result);
}

bool SetTextProperty(SwmAutomation& object, const char* name, const std::string& value) {
  SwmVariant result;
  const bool done = object.Invoke(name, SwmInvokeKind::kPropertyPut, {SwmVariant::Text(value)}, &result);
  ReleaseObject(result);
  return done;
}

}  // namespace automation
