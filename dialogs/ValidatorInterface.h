#pragma once
// The module's validator operations on top of wxValidator: a validator of a
// value of type T reads it from its control, writes it into the control,
// loads it from the bound object and stores it there.
#include <wx/validate.h>
#include <wx/window.h>

#include <memory>

template <class T>
class wxValidatorInterface {
public:
  virtual ~wxValidatorInterface() = default;
  virtual void GiveWindow(wxWindow* window) = 0;
  virtual void CopyFrom(const wxValidatorInterface& other) = 0;
  // Control → value; false when the control's content does not convert.
  virtual bool ReadControl(T* value) const = 0;
  virtual void WriteControl(const T& value) = 0;
  virtual T LoadValue() const = 0;
  virtual void StoreValue(const T& value) = 0;
};

// A validator of a T with the three wxValidator operations built on the
// interface: show the loaded value, accept content that converts, store it.
template <class T>
class TypedValidator : public wxValidator, public wxValidatorInterface<T> {
public:
  bool Validate(wxWindow*) override {
    T value{};
    return this->ReadControl(&value);
  }
  bool TransferToWindow() override {
    this->WriteControl(this->LoadValue());
    return true;
  }
  bool TransferFromWindow() override {
    T value{};
    if (!this->ReadControl(&value)) return false;
    this->StoreValue(value);
    return true;
  }
  void GiveWindow(wxWindow* window) override { SetWindow(window); }
  void CopyFrom(const wxValidatorInterface<T>& other) override {
    if (auto* validator = dynamic_cast<const wxValidator*>(&other)) wxValidator::Copy(*validator);
  }
  // A copy of the same kind (wxValidator::Clone gives the base type).
  virtual TypedValidator* CloneTyped() const = 0;
  wxObject* Clone() const override { return CloneTyped(); }
};
