#include "RecordFilter.h"

#include <algorithm>

namespace {
bool AnyOf(const std::vector<std::string>& wanted, const std::string& value) {
  return wanted.empty() || std::find(wanted.begin(), wanted.end(), value) != wanted.end();
}
}  // namespace

bool RecordFilter::Matches(const LogRecord& record) const {
  return AnyOf(modules_, record.module) && AnyOf(functions_, record.function) && AnyOf(types_, record.type);
}
