#pragma once
// A whole list of T in a multi-line text control, one element per line.
#include <functional>
#include <string>
#include <vector>

#include "dialogs/ControlValue.h"
#include "dialogs/ValidatorInterface.h"

namespace control {
// Splits at carriage returns and line feeds, skipping empty pieces.
std::vector<wxString> SplitLines(const wxString& text);
}  // namespace control

template <class C, class T>
class wxVectorPropertyValidator : public TypedValidator<std::vector<T>> {
public:
  using List = std::vector<T>;
  using Getter = std::function<List(const C&)>;
  using Setter = std::function<void(C&, const List&)>;

  wxVectorPropertyValidator(C* object, Getter getter, Setter setter, std::string format = {})
      : object_(object), getter_(std::move(getter)), setter_(std::move(setter)), format_(std::move(format)) {}

  bool ReadControl(List* list) const override {
    wxString text;
    if (!control::ReadText(this->GetWindow(), &text)) return false;
    List result;
    for (const wxString& piece : control::SplitLines(text)) {
      T element{};
      if (!ParseElement(piece, &element)) return false;
      result.push_back(element);
    }
    *list = std::move(result);
    return true;
  }
  void WriteControl(const List& list) override {
    wxString text;
    for (size_t i = 0; i < list.size(); ++i) {
      if (i) text << "\n";
      text << FormatElement(list[i]);
    }
    control::WriteText(this->GetWindow(), text);
  }
  List LoadValue() const override { return getter_(*object_); }
  void StoreValue(const List& list) override { setter_(*object_, list); }
  wxVectorPropertyValidator* CloneTyped() const override { return new wxVectorPropertyValidator(*this); }

private:
  bool ParseElement(const wxString& piece, T* element) const {
    if constexpr (std::is_same_v<T, wxString>) {
      *element = piece;
      return true;
    } else if constexpr (std::is_same_v<T, std::string>) {
      *element = piece.utf8_string();
      return true;
    } else if constexpr (std::is_floating_point_v<T>) {
      double value = 0;
      if (!control::ParseReal(piece, &value)) return false;
      *element = static_cast<T>(value);
      return true;
    } else if constexpr (std::is_signed_v<T>) {
      int64_t value = 0;
      if (!control::ParseSigned(piece, std::numeric_limits<T>::min(), std::numeric_limits<T>::max(), &value))
        return false;
      *element = static_cast<T>(value);
      return true;
    } else {
      uint64_t value = 0;
      if (!control::ParseUnsigned(piece, std::numeric_limits<T>::max(), &value)) return false;
      *element = static_cast<T>(value);
      return true;
    }
  }
  wxString FormatElement(const T& element) const {
    if constexpr (std::is_same_v<T, wxString>) {
      return element;
    } else if constexpr (std::is_same_v<T, std::string>) {
      return wxString::FromUTF8(element);
    } else if constexpr (std::is_floating_point_v<T>) {
      return control::FormatReal(format_.empty() ? "%G" : format_.c_str(), element);
    } else if constexpr (std::is_signed_v<T>) {
      return control::FormatSigned(format_.empty() ? "%d" : format_.c_str(), element);
    } else {
      return control::FormatUnsigned(format_.empty() ? "%u" : format_.c_str(), element);
    }
  }

  C* object_;
  Getter getter_;
  Setter setter_;
  std::string format_;
};
