#pragma once
// Validators that bind a control to a property of an object C: a single value
// through a getter and a setter, or one element of an array property.
#include <functional>
#include <string>

#include "dialogs/ControlValue.h"
#include "dialogs/ValidatorInterface.h"

// A value of type T of object C, moved through the control with a format.
template <class C, class T>
class wxCustomValidator : public TypedValidator<T> {
public:
  wxCustomValidator(C* object, std::string format) : object_(object), format_(std::move(format)) {}
  bool ReadControl(T* value) const override {
    return control::Read<T>(this->GetWindow(), format_.c_str(), value);
  }
  void WriteControl(const T& value) override {
    control::Write<T>(this->GetWindow(), format_.c_str(), value);
  }

protected:
  C* object_;
  std::string format_;
};

// The common case: T through a getter and a setter of C.
template <class C, class T>
class wxTemplatePropertyValidator : public wxCustomValidator<C, T> {
public:
  using Getter = std::function<T(const C&)>;
  using Setter = std::function<void(C&, const T&)>;

  wxTemplatePropertyValidator(C* object, Getter getter, Setter setter, std::string format = {})
      : wxCustomValidator<C, T>(object, std::move(format)),
        getter_(std::move(getter)),
        setter_(std::move(setter)) {}

  T LoadValue() const override { return getter_(*this->object_); }
  void StoreValue(const T& value) override { setter_(*this->object_, value); }
  wxTemplatePropertyValidator* CloneTyped() const override { return new wxTemplatePropertyValidator(*this); }

private:
  Getter getter_;
  Setter setter_;
};

// One element of an array property of C; the getter and setter take the index.
template <class C, class E, class I>
class wxArrayIndexPropertyValidator : public wxCustomValidator<C, E> {
public:
  using Getter = std::function<E(const C&, I)>;
  using Setter = std::function<void(C&, I, const E&)>;

  wxArrayIndexPropertyValidator(C* object, Getter getter, Setter setter, I index, std::string format = {})
      : wxCustomValidator<C, E>(object, std::move(format)),
        getter_(std::move(getter)),
        setter_(std::move(setter)),
        index_(index) {}

  E LoadValue() const override { return getter_(*this->object_, index_); }
  void StoreValue(const E& value) override { setter_(*this->object_, index_, value); }
  wxArrayIndexPropertyValidator* CloneTyped() const override { return new wxArrayIndexPropertyValidator(*this); }
  I Index() const { return index_; }

private:
  Getter getter_;
  Setter setter_;
  I index_;
};

template <class C, class E>
using wxArrayPropertyValidator = wxArrayIndexPropertyValidator<C, E, size_t>;
