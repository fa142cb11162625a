// Fuzzes the enumeration declaration parser and the expression evaluator:
// any text gives a table whose lookups agree with its entries.
#include <algorithm>
#include <string_view>

#include "FuzzCheck.h"
#include "settings/EnumExpression.h"
#include "settings/EnumTable.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);

  const EnumTable table(text);
  const auto& entries = table.Entries();
  for (const auto& entry : entries) {
    const int64_t value = entry.second;
    Check(table.ValueOf(entry.first).has_value());
    Check(value <= table.Largest());
    // The name given for a value is one declared with that value.
    const std::string_view shown = table.NameOf(value);
    Check(std::any_of(entries.begin(), entries.end(),
                      [&](const auto& e) { return e.first == shown && e.second == value; }));
  }
  if (!entries.empty())
    Check(std::any_of(entries.begin(), entries.end(),
                      [&](const auto& e) { return e.second == table.Largest(); }));
  else
    Check(table.Largest() == 0);

  // The evaluator alone, with the table's names.
  (void)EvaluateEnumExpression(text, [&](std::string_view name) { return table.ValueOf(name); });
  return 0;
}
