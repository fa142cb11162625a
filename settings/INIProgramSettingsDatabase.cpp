#include "settings/INIProgramSettingsDatabase.h"

#include <array>
#include <charconv>
#include <cstdio>
#include <new>

#include "logging/JournexEntry.h"
#include "platform/CLocale.h"
#include "settings/NarrowText.h"

namespace {
constexpr std::string_view kModule = "INIProgramSettingsDatabase";

template <typename T>
wxString Formatted(const char* format, T value) {
  char text[32];
  std::snprintf(text, sizeof text, format, value);
  return wxString::FromAscii(text);
}

// sscanf of one value with the given format; 0 when the text does not scan.
template <typename T>
T Scanned(const wxString& text, const char* format) {
  T value{};
  if (std::sscanf(text.utf8_str().data(), format, &value) != 1) return T{};
  return value;
}
}  // namespace

INIProgramSettingsDatabase::INIProgramSettingsDatabase(std::string fileName)
    : TableFullPathProgramSettingsDatabase(fileName), file_(std::move(fileName)) {}

void INIProgramSettingsDatabase::SetFileName(const std::string& fileName) {
  TableFullPathProgramSettingsDatabase::SetFileName(fileName);
  file_.SetPath(GetFileName());
}

void INIProgramSettingsDatabase::Open() {
  TableFullPathProgramSettingsDatabase::Open();
  if (AccessCount() == 1) file_.Hold(true);
}

void INIProgramSettingsDatabase::Close() {
  TableFullPathProgramSettingsDatabase::Close();
  if (AccessCount() == 0) file_.Hold(false);
}

std::string INIProgramSettingsDatabase::FormatReal(double value) {
  std::array<char, 64> text{};
  const auto result =
      std::to_chars(text.data(), text.data() + text.size(), value, std::chars_format::general, 6);
  std::string out(text.data(), result.ptr);
  for (char& c : out)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return out;
}

// ---- the primitive text write and read ----

void INIProgramSettingsDatabase::WriteText(const std::string& key, const wxString& value) {
  if (!IsOpen()) return;
  std::string error;
  if (file_.Set(FullTablePathUtf8(), key, NarrowFromWide(value), &error)) return;
  if (firstWriteFailure_.empty()) firstWriteFailure_ = error;
  // The value is lost, as the caller expects of a file it cannot write; the log says why.
  JournexEntry::Note("WritePrivateProfileString", kModule, "Error",
                     "WritePrivateProfileString(" + FullTablePathUtf8() + ", " + key + ")",
                     {{"Filename", GetFileName()}, {"Reason", error}});
}

size_t INIProgramSettingsDatabase::GetProfileString(const std::string& key,
                                                    const wxString& defaultValue, wchar_t* buffer,
                                                    size_t size) {
  const auto stored = file_.Get(FullTablePathUtf8(), key);
  const wxString value = stored ? WideFromNarrow(*stored) : defaultValue;
  if (size == 0) return 0;
  const size_t count = std::min(value.length(), size - 1);
  for (size_t i = 0; i < count; ++i) buffer[i] = static_cast<wchar_t>(value[i]);
  buffer[count] = L'\0';
  return count;
}

bool INIProgramSettingsDatabase::AllocateBuffer(size_t size) {
  buffer_.reset();
  bufferSize_ = 0;
  buffer_.reset(new (std::nothrow) wchar_t[size]);
  if (buffer_) bufferSize_ = size;
  return bufferSize_ != 0;
}

wxString INIProgramSettingsDatabase::ReadText(const std::string& key,
                                              const wxString& defaultValue) {
  if (bufferSize_ < kInitialBufferSize && !AllocateBuffer(kInitialBufferSize)) return defaultValue;
  for (;;) {
    const size_t count = GetProfileString(key, defaultValue, buffer_.get(), bufferSize_);
    if (count != bufferSize_ - 1) return wxString(buffer_.get(), count);
    // The value filled the buffer and may have been cut: retry with twice the room.
    if (bufferSize_ > SIZE_MAX / 2 / sizeof(wchar_t) || !AllocateBuffer(bufferSize_ * 2))
      return defaultValue;
  }
}

// ---- typed writes ----

void INIProgramSettingsDatabase::WriteNarrow(const std::string& key, const std::string& value) {
  WriteText(key, WideFromNarrow(value));
}
void INIProgramSettingsDatabase::Write(const std::string& key, const wxString& value) {
  WriteText(key, value);
}
void INIProgramSettingsDatabase::Write(const std::string& key, unsigned int value) {
  WriteText(key, Formatted("%u", value));
}
void INIProgramSettingsDatabase::Write(const std::string& key, int value) {
  WriteText(key, Formatted("%d", value));
}
void INIProgramSettingsDatabase::Write(const std::string& key, unsigned long value) {
  WriteText(key, Formatted("%lu", value));
}
void INIProgramSettingsDatabase::Write(const std::string& key, long value) {
  WriteText(key, Formatted("%ld", value));
}
void INIProgramSettingsDatabase::Write(const std::string& key, float value) {
  WriteText(key, FormatReal(value));
}
void INIProgramSettingsDatabase::Write(const std::string& key, double value) {
  WriteText(key, FormatReal(value));
}
void INIProgramSettingsDatabase::Write(const std::string& key, bool value) {
  WriteText(key, value ? "1" : "0");
}

// ---- typed reads ----

std::string INIProgramSettingsDatabase::ReadNarrow(const std::string& key,
                                                   const std::string& defaultValue) {
  return NarrowFromWide(ReadText(key, WideFromNarrow(defaultValue)));
}
wxString INIProgramSettingsDatabase::Read(const std::string& key, const wxString& defaultValue) {
  return ReadText(key, defaultValue);
}
unsigned int INIProgramSettingsDatabase::Read(const std::string& key, unsigned int defaultValue) {
  return Scanned<unsigned int>(ReadText(key, Formatted("%u", defaultValue)), "%u");
}
int INIProgramSettingsDatabase::Read(const std::string& key, int defaultValue) {
  return Scanned<int>(ReadText(key, Formatted("%d", defaultValue)), "%d");
}
unsigned long INIProgramSettingsDatabase::Read(const std::string& key,
                                               unsigned long defaultValue) {
  return Scanned<unsigned long>(ReadText(key, Formatted("%lu", defaultValue)), "%lu");
}
long INIProgramSettingsDatabase::Read(const std::string& key, long defaultValue) {
  return Scanned<long>(ReadText(key, Formatted("%ld", defaultValue)), "%ld");
}
double INIProgramSettingsDatabase::Read(const std::string& key, double defaultValue) {
  bool parsed = false;
  return ParseCDouble(ReadText(key, FormatReal(defaultValue)).utf8_str().data(), &parsed);
}
float INIProgramSettingsDatabase::Read(const std::string& key, float defaultValue) {
  bool parsed = false;
  return ParseCFloat(ReadText(key, FormatReal(defaultValue)).utf8_str().data(), &parsed);
}

// Booleans are read leniently: the words below in this order, then any
// non-zero decimal number as true; anything else gives the caller's default.
bool INIProgramSettingsDatabase::Read(const std::string& key, bool defaultValue) {
  static constexpr std::pair<const char*, bool> kWords[] = {
      {"0", false},   {"1", true},   {"OK", true},  {"TRUE", true}, {"FALSE", false},
      {"ON", true},   {"OFF", false}, {"YES", true}, {"NO", false},  {"JA", true},
      {"NEE", false}, {"SI", true},  {"NON", false},
  };
  const wxString text = ReadText(key, defaultValue ? "TRUE" : "FALSE").Upper();
  for (const auto& [word, value] : kWords)
    if (text == word) return value;
  return Scanned<int>(text, "%d") != 0 ? true : defaultValue;
}

SettingsStore CreateINIProgramSettingsDatabase(const std::string& fileName) {
  try {
    return std::make_shared<INIProgramSettingsDatabase>(fileName);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}
