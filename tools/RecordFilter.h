#pragma once
// Which records the viewer shows: by module, function and type. Each option
// may be given several times (any of them matches); all given options must match.
#include <string>
#include <vector>

#include "LogRecord.h"

class RecordFilter {
public:
  void AddModule(std::string module) { modules_.push_back(std::move(module)); }
  void AddFunction(std::string function) { functions_.push_back(std::move(function)); }
  void AddType(std::string type) { types_.push_back(std::move(type)); }

  bool Matches(const LogRecord& record) const;
  bool Empty() const { return modules_.empty() && functions_.empty() && types_.empty(); }

private:
  std::vector<std::string> modules_, functions_, types_;
};
