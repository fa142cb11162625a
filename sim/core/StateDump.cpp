#include "sim/core/StateDump.h"

#include <nlohmann/json.hpp>

#include "sim/core/WireText.h"

namespace sim {
namespace {

std::string Scalar(const nlohmann::json& value) {
  if (value.is_string()) {
    const std::string& text = value.get_ref<const std::string&>();
    const std::optional<std::string> bytes = Utf8ToBytes(text);
    return bytes ? EscapeBytes(*bytes) : text;
  }
  if (value.is_null()) return "(none)";
  return value.dump();
}

bool IsScalar(const nlohmann::json& value) {
  return !value.is_structured() || value.empty();
}

std::string EmptyText(const nlohmann::json& value) {
  if (value.is_array() && value.empty()) return "(none)";
  if (value.is_object() && value.empty()) return "{}";
  return Scalar(value);
}

void Render(const nlohmann::json& value, int indent, std::string& out) {
  const std::string pad(static_cast<size_t>(indent), ' ');
  if (value.is_object()) {
    for (const auto& [key, item] : value.items()) {
      if (IsScalar(item)) {
        out += pad + key + ": " + EmptyText(item) + "\n";
      } else {
        out += pad + key + ":\n";
        Render(item, indent + 2, out);
      }
    }
  } else if (value.is_array()) {
    for (const auto& item : value) {
      if (IsScalar(item)) {
        out += pad + "- " + EmptyText(item) + "\n";
      } else {
        out += pad + "-\n";
        Render(item, indent + 2, out);
      }
    }
  } else {
    out += pad + Scalar(value) + "\n";
  }
}

}  // namespace

std::string RenderForPeople(const nlohmann::json& value) {
  std::string out;
  Render(value, 0, out);
  return out;
}

}  // namespace sim
