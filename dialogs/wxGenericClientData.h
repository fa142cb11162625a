#pragma once
// The value behind one entry of a combo box or choice.
#include <wx/clntdata.h>

#include <cstdint>

class wxGenericClientDataBase : public wxClientData {
public:
  virtual int64_t Number() const = 0;
};

template <class E>
class wxGenericClientData : public wxGenericClientDataBase {
public:
  explicit wxGenericClientData(E value) : value_(value) {}
  E Value() const { return value_; }
  int64_t Number() const override { return static_cast<int64_t>(value_); }

private:
  E value_;
};
