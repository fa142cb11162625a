#pragma once
// Validators that wrap another validator (which they own) to add a check or
// to fill the control before the inner validator shows the value.
#include <wx/combobox.h>
#include <wx/ctrlsub.h>

#include <memory>
#include <sstream>
#include <string_view>
#include <vector>

#include "dialogs/ValidatorInterface.h"
#include "dialogs/wxGenericClientData.h"
#include "settings/EnumClass.h"

// Forwards every operation to the inner validator after giving it the same window.
template <class T>
class wxDecorator : public TypedValidator<T> {
public:
  explicit wxDecorator(TypedValidator<T>* inner) : inner_(inner) {}
  wxDecorator(const wxDecorator& other) : TypedValidator<T>(other), inner_(other.inner_->CloneTyped()) {}

  bool Validate(wxWindow* parent) override { return Inner().Validate(parent); }
  bool TransferToWindow() override { return Inner().TransferToWindow(); }
  bool TransferFromWindow() override { return Inner().TransferFromWindow(); }
  bool ReadControl(T* value) const override { return Inner().ReadControl(value); }
  void WriteControl(const T& value) override { Inner().WriteControl(value); }
  T LoadValue() const override { return Inner().LoadValue(); }
  void StoreValue(const T& value) override { Inner().StoreValue(value); }
  void GiveWindow(wxWindow* window) override {
    TypedValidator<T>::GiveWindow(window);
    inner_->GiveWindow(window);
  }

protected:
  TypedValidator<T>& Inner() const {
    inner_->GiveWindow(this->GetWindow());
    return *inner_;
  }

private:
  std::unique_ptr<TypedValidator<T>> inner_;
};

// A number within [minimum, maximum], inclusive.
template <class T>
class wxRangeDecoratorValidator : public wxDecorator<T> {
public:
  wxRangeDecoratorValidator(TypedValidator<T>* inner, T minimum, T maximum)
      : wxDecorator<T>(inner), minimum_(minimum), maximum_(maximum) {}
  bool Validate(wxWindow* parent) override {
    T value{};
    if (!this->ReadControl(&value) || value < minimum_ || value > maximum_) return false;
    return wxDecorator<T>::Validate(parent);
  }
  wxRangeDecoratorValidator* CloneTyped() const override { return new wxRangeDecoratorValidator(*this); }

private:
  T minimum_, maximum_;
};

// A text whose length lies within [minimum, maximum], inclusive.
template <class T>
class wxTextLengthDecoratorValidator : public wxDecorator<T> {
public:
  wxTextLengthDecoratorValidator(TypedValidator<T>* inner, size_t minimum, size_t maximum)
      : wxDecorator<T>(inner), minimum_(minimum), maximum_(maximum) {}
  bool Validate(wxWindow* parent) override {
    T text{};
    if (!this->ReadControl(&text) || text.length() < minimum_ || text.length() > maximum_) return false;
    return wxDecorator<T>::Validate(parent);
  }
  wxTextLengthDecoratorValidator* CloneTyped() const override {
    return new wxTextLengthDecoratorValidator(*this);
  }

private:
  size_t minimum_, maximum_;
};

// The message shown when a value is not a member of an ordered allowed set
// ("Value Validation"); empty when it is a member.
template <class E>
std::string AllowedSetMessage(const std::vector<E>& allowed, E value) {
  if (allowed.empty()) return {};
  std::ostringstream text;
  text << "The value ('" << value << "') you specified is not valid.\n";
  if (value < allowed.front()) {
    text << "Lowest valid value is " << allowed.front() << ".";
    return text.str();
  }
  for (size_t i = 0; i < allowed.size(); ++i) {
    if (allowed[i] == value) return {};
    if (i + 1 < allowed.size() && allowed[i] < value && value < allowed[i + 1]) {
      text << "First valid lower value is " << allowed[i] << ".\nFirst valid higher value is "
           << allowed[i + 1] << ".";
      return text.str();
    }
  }
  text << "Highest valid value is " << allowed.back() << ".";
  return text.str();
}

// Shows the "Value Validation" box (platform message box, never blocking a test).
void ShowValueValidationMessage(const std::string& text);

// A value that must be a member of an ordered allowed set (baud rates, for example).
template <class E>
class AllowedSetDecoratorValidator : public wxDecorator<E> {
public:
  AllowedSetDecoratorValidator(TypedValidator<E>* inner, std::vector<E> allowed)
      : wxDecorator<E>(inner), allowed_(std::move(allowed)) {}
  bool Validate(wxWindow* parent) override {
    E value{};
    if (!this->ReadControl(&value)) return false;
    const std::string message = AllowedSetMessage(allowed_, value);
    if (!message.empty()) {
      ShowValueValidationMessage(message);
      return false;
    }
    return wxDecorator<E>::Validate(parent);
  }
  AllowedSetDecoratorValidator* CloneTyped() const override { return new AllowedSetDecoratorValidator(*this); }

private:
  std::vector<E> allowed_;
};

// The name a combo box shows for an enumeration value: its first name that is
// not a MIN_/MAX_ bound; empty when the value has no such name.
template <class E>
wxString EnumDisplayName(E value) {
  for (const auto& [name, entry] : EnumClass<E>::Instance().Entries()) {
    if (entry != value) continue;
    const std::string_view view(name);
    if (view.starts_with("MIN_") || view.starts_with("MAX_")) continue;
    return wxString::FromUTF8(name);
  }
  return {};
}

// Fills a combo box with the named values of E from lower to upper bound,
// each with its value as client data; then the inner validator selects.
template <class E>
class wxComboBoxDecoratorValidator : public wxDecorator<E> {
public:
  wxComboBoxDecoratorValidator(TypedValidator<E>* inner, E lower, E upper)
      : wxDecorator<E>(inner), lower_(lower), upper_(upper) {}
  bool TransferToWindow() override {
    auto* combo = wxDynamicCast(this->GetWindow(), wxComboBox);
    if (!combo) return false;
    combo->Clear();
    for (int64_t v = static_cast<int64_t>(lower_); v <= static_cast<int64_t>(upper_); ++v) {
      const E value = static_cast<E>(static_cast<std::underlying_type_t<E>>(v));
      const wxString name = EnumDisplayName(value);
      if (!name.empty()) combo->Append(name, new wxGenericClientData<E>(value));
    }
    return wxDecorator<E>::TransferToWindow();
  }
  wxComboBoxDecoratorValidator* CloneTyped() const override { return new wxComboBoxDecoratorValidator(*this); }

private:
  E lower_, upper_;
};

// Skips checking and reading back while its control is disabled.
class EnabledValidator : public wxValidator {
public:
  explicit EnabledValidator(wxValidator* inner) : inner_(inner) {}
  EnabledValidator(const EnabledValidator& other)
      : wxValidator(other), inner_(static_cast<wxValidator*>(other.inner_->Clone())) {}
  wxObject* Clone() const override { return new EnabledValidator(*this); }
  bool Validate(wxWindow* parent) override {
    if (!Enabled()) return true;
    return Inner().Validate(parent);
  }
  bool TransferToWindow() override { return Inner().TransferToWindow(); }
  bool TransferFromWindow() override {
    if (!Enabled()) return true;
    return Inner().TransferFromWindow();
  }

private:
  bool Enabled() const { return GetWindow() && GetWindow()->IsEnabled(); }
  wxValidator& Inner() const {
    inner_->SetWindow(GetWindow());
    return *inner_;
  }
  std::unique_ptr<wxValidator> inner_;
};
