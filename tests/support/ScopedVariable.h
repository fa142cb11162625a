#pragma once
// An environment variable set (or, with no value, removed) for the life of
// the object; the value it had before comes back afterwards, so a test never
// hands the next one the machine's defaults instead of the private ones
// TestMain set up.
#include <stdlib.h>

#include <optional>
#include <string>

class ScopedVariable {
public:
  ScopedVariable(std::string name, const std::optional<std::string>& value) : name_(std::move(name)) {
    if (const char* old = getenv(name_.c_str())) old_ = old;
    value ? setenv(name_.c_str(), value->c_str(), 1) : unsetenv(name_.c_str());
  }
  ~ScopedVariable() { old_ ? setenv(name_.c_str(), old_->c_str(), 1) : unsetenv(name_.c_str()); }
  ScopedVariable(const ScopedVariable&) = delete;
  ScopedVariable& operator=(const ScopedVariable&) = delete;

private:
  std::string name_;
  std::optional<std::string> old_;
};
