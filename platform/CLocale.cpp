#include "platform/CLocale.h"

#include <locale.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <wctype.h>

namespace {
locale_t CLocale() {
  static const locale_t c = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
  return c;
}

// The "C" locale lower-cases ASCII only; its UTF-8 variant knows all of Unicode.
locale_t UnicodeLocale() {
  static const locale_t utf8 = [] {
    locale_t l = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(nullptr));
    return l ? l : CLocale();
  }();
  return utf8;
}
}  // namespace

double ParseCDouble(const char* text, bool* parsed) {
  char* end = nullptr;
  const double value = strtod_l(text, &end, CLocale());
  *parsed = end != text;
  return *parsed ? value : 0.0;
}

float ParseCFloat(const char* text, bool* parsed) {
  char* end = nullptr;
  const float value = strtof_l(text, &end, CLocale());
  *parsed = end != text;
  return *parsed ? value : 0.0f;
}

wchar_t LowerCaseUnicode(wchar_t c) {
  return static_cast<wchar_t>(towlower_l(static_cast<wint_t>(c), UnicodeLocale()));
}

std::string FormatC(const char* format, ...) {
  const locale_t previous = uselocale(CLocale());
  va_list arguments;
  va_start(arguments, format);
  va_list again;
  va_copy(again, arguments);
  const int length = vsnprintf(nullptr, 0, format, arguments);
  va_end(arguments);
  std::string text(length > 0 ? static_cast<size_t>(length) : 0, '\0');
  if (length > 0) vsnprintf(text.data(), text.size() + 1, format, again);
  va_end(again);
  uselocale(previous);
  return text;
}
