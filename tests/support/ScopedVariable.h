#pragma once
// An environment variable set for the life of an object.
#include <stdlib.h>

#include <cstdlib>
#include <string>

// Sets an environment variable for the life of the object, then restores it.
class ScopedVariable {
public:
  ScopedVariable(const char* name, const std::string& value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old, had_ = true;
    setenv(name, value.c_str(), 1);
  }
  ~ScopedVariable() {
    if (had_) setenv(name_, old_.c_str(), 1);
    else unsetenv(name_);
  }

private:
  const char* name_;
  std::string old_;
  bool had_ = false;
};
