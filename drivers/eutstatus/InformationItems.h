#pragma once
// Late-bound access to the host's information-item collections and items:
// "Count", "Item" (by index from 0), "AddItem" (name, value), and the
// item's "Name" and "Value". A member the object lacks reads as 0 or empty.
#include <string>

#include "swmatrix/automation.h"

namespace automation {

long Count(SwmAutomation& items);
// The item with a reference for the caller, or null.
SwmAutomation* Item(SwmAutomation& items, long index);
bool AddItem(SwmAutomation& items, const std::string& name, const std::string& value);
// A property as text (numbers printed in decimal).
std::string TextProperty(SwmAutomation& object, const char* name);
bool SetTextProperty(SwmAutomation& object, const char* name, const std::string& value);

}  // namespace automation
