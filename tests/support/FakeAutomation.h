#pragma once
// Automation objects as a host implements them, for tests: an information
// item ("Name", "Value" read and write, "SystemItem"), a collection of items
// ("Count", "Item" by index, "NamedItem", "HasNamedItem", "AddItem") and a
// plain object with object properties ("InformationItems",
// "StandardTestData"). Reference counts are checked by the tests.
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "swmatrix/automation.h"

class FakeAutomationBase : public SwmAutomation {
public:
  uint32_t AddRef() override { return ++references; }
  uint32_t Release() override { return --references; }
  SwmAutomation* GetProperty(const char* name) override {
    const auto found = objects.find(name);
    if (found == objects.end() || !found->second) return nullptr;
    found->second->AddRef();
    return found->second;
  }

  uint32_t references = 1;  // the test's own
  std::map<std::string, SwmAutomation*> objects;
};

class FakeItem : public FakeAutomationBase {
public:
  FakeItem(std::string n, std::string v) : name(std::move(n)), value(std::move(v)) {}
  bool Invoke(const char* member, SwmInvokeKind kind, const std::vector<SwmVariant>& arguments,
              SwmVariant* result) override {
    const std::string m(member);
    if (kind == SwmInvokeKind::kPropertyPut && m == "Value" && !arguments.empty()) {
      value = arguments.back().text;
      return true;
    }
    if (kind != SwmInvokeKind::kPropertyGet) return false;
    if (m == "Name") *result = SwmVariant::Text(name);
    else if (m == "Value") *result = SwmVariant::Text(value);
    else if (m == "SystemItem") *result = SwmVariant::Integer(0);
    else return false;
    return true;
  }

  std::string name, value;
};

class FakeItems : public FakeAutomationBase {
public:
  void Add(const std::string& name, const std::string& value) { items.push_back(std::make_unique<FakeItem>(name, value)); }
  bool Invoke(const char* member, SwmInvokeKind kind, const std::vector<SwmVariant>& arguments,
              SwmVariant* result) override {
    const std::string m(member);
    if (m == "Count" && kind == SwmInvokeKind::kPropertyGet) {
      *result = SwmVariant::Integer(static_cast<int64_t>(items.size()));
      return true;
    }
    if (m == "AddItem" && kind == SwmInvokeKind::kMethod && arguments.size() == 2) {
      Add(arguments[0].text, arguments[1].text);
      return true;
    }
    FakeItem* item = nullptr;
    if (m == "Item" && !arguments.empty() && arguments[0].integer >= 0 &&
        arguments[0].integer < static_cast<int64_t>(items.size()))
      item = items[static_cast<size_t>(arguments[0].integer)].get();
    if ((m == "NamedItem" || m == "HasNamedItem") && !arguments.empty())
      for (auto& candidate : items)
        if (candidate->name == arguments[0].text) item = candidate.get();
    if (m == "HasNamedItem") {
      *result = SwmVariant::Integer(item ? 1 : 0);
      return true;
    }
    if (!item) return false;
    item->AddRef();
    result->kind = SwmVariant::Kind::kObject;
    result->object = item;
    return true;
  }
  // Name=Value of every item, in order.
  std::vector<std::string> Texts() const {
    std::vector<std::string> texts;
    for (const auto& item : items) texts.push_back(item->name + "=" + item->value);
    return texts;
  }
  // True when no one but the test holds a reference to an item.
  bool ItemsReleased() const {
    for (const auto& item : items)
      if (item->references != 1) return false;
    return true;
  }

  std::vector<std::unique_ptr<FakeItem>> items;
};
