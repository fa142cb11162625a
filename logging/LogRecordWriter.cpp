#include "logging/LogRecordWriter.h"

#include <charconv>
#include <cstring>

#include "platform/ProcessInfo.h"

namespace {
std::string_view DefaultCategory(LogRecordWriter::Kind kind) {
  switch (kind) {
    case LogRecordWriter::Kind::Begin: return LogRecordWriter::kInput;
    case LogRecordWriter::Kind::End: return LogRecordWriter::kOutput;
    default: return LogRecordWriter::kGeneral;
  }
}

std::string_view Tag(LogRecordWriter::Kind kind) {
  switch (kind) {
    case LogRecordWriter::Kind::Begin: return "!logb";
    case LogRecordWriter::Kind::End: return "!loge";
    default: return "!logn";
  }
}

template <class T>
void AppendNumber(std::string& out, T value) {
  char digits[32];
  const auto result = std::to_chars(digits, digits + sizeof digits, value);
  out.append(digits, result.ptr);
}

void AppendPointer(std::string& out, const void* pointer) {
  char digits[2 + 2 * sizeof(void*)];
  const auto result = std::to_chars(digits, digits + sizeof digits, reinterpret_cast<uintptr_t>(pointer), 16);
  out += "0x";
  out.append(digits, result.ptr);
}

void AppendTime(std::string& out) {
  const ProcessInfo::WallClock now = ProcessInfo::Now();
  AppendNumber(out, now.seconds);
  out += '.';
  out += static_cast<char>('0' + now.milliseconds / 100);
  out += static_cast<char>('0' + now.milliseconds / 10 % 10);
  out += static_cast<char>('0' + now.milliseconds % 10);
}

// Length of the UTF-8 sequence at text[i], or 0 when the bytes there are not UTF-8.
size_t Utf8SequenceLength(std::string_view text, size_t i) {
  const auto byte = [&](size_t k) { return static_cast<unsigned char>(text[k]); };
  const unsigned char lead = byte(i);
  if (lead < 0x80) return 1;
  size_t length = 0;
  uint32_t minimum = 0;
  uint32_t code = 0;
  if ((lead & 0xE0) == 0xC0) length = 2, minimum = 0x80, code = lead & 0x1F;
  else if ((lead & 0xF0) == 0xE0) length = 3, minimum = 0x800, code = lead & 0x0F;
  else if ((lead & 0xF8) == 0xF0) length = 4, minimum = 0x10000, code = lead & 0x07;
  else return 0;
  if (i + length > text.size()) return 0;
  for (size_t k = 1; k < length; ++k) {
    if ((byte(i + k) & 0xC0) != 0x80) return 0;
    code = code << 6 | (byte(i + k) & 0x3F);
  }
  if (code < minimum || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
  return length;
}

bool InSignedNumberRun(char c) { return (c >= '1' && c <= '9') || std::strchr(".,eE+-", c); }
}  // namespace

LogRecordWriter::LogRecordWriter(std::string& out, Kind kind, const void* scope, std::string_view function,
                                 std::string_view module, std::string_view type)
    : out_(out), kind_(kind) {
  out_.clear();
  out_ += Tag(kind);
  Separator();
  if (kind == Kind::Single) {
    AppendTime(out_);
    out_ += ",---,---;---";
  } else {
    AppendNumber(out_, ProcessInfo::Id());
    Separator();
    AppendPointer(out_, scope);
    Separator();
    AppendTime(out_);
  }
  Separator();
  AppendName(out_, function);
  Separator();
  AppendName(out_, module);
  Separator();
  AppendName(out_, type);
}

bool LogRecordWriter::IsStandardCategory(std::string_view field) {
  return field == kGeneral || field == kInput || field == kOutput;
}

void LogRecordWriter::EnsureCategory() {
  if (contentStarted_) return;
  contentStarted_ = true;
  Separator();
  out_ += DefaultCategory(kind_);
}

void LogRecordWriter::Category(std::string_view category) {
  if (!IsStandardCategory(category)) EnsureCategory();
  contentStarted_ = true;
  Separator();
  AppendName(out_, category);
}

void LogRecordWriter::Description(std::string_view text) { Value(LogValue("description", text)); }

void LogRecordWriter::Value(const LogValue& value) {
  EnsureCategory();
  Separator();
  // A name that began with "!" would read as a category.
  if (!value.Name().empty() && value.Name()[0] == '!') {
    out_ += '*';
    AppendName(out_, value.Name().substr(1));
  } else {
    AppendName(out_, value.Name());
  }
  Separator();
  switch (value.GetKind()) {
    case LogValue::Kind::Integer: AppendInteger(out_, value.Integer()); break;
    case LogValue::Kind::Unsigned: AppendUnsigned(out_, value.Unsigned()); break;
    case LogValue::Kind::Real: AppendReal(out_, value.Real()); break;
    case LogValue::Kind::Boolean: AppendBoolean(out_, value.Boolean()); break;
    case LogValue::Kind::Text: AppendText(out_, value.Text()); break;
  }
}

const std::string& LogRecordWriter::Finish() {
  EnsureCategory();
  return out_;
}

void LogRecordWriter::AppendSequence(std::string& record, uint32_t pid, uint64_t sequence) {
  if (pid != 0) {
    record += ';';
    record += kProcessName;
    record += ';';
    AppendUnsigned(record, pid);
  }
  record += ';';
  record += kSequenceName;
  record += ';';
  AppendUnsigned(record, sequence);
}

void LogRecordWriter::AppendInteger(std::string& out, int64_t value) {
  out += 'i';
  AppendNumber(out, value);
}

void LogRecordWriter::AppendUnsigned(std::string& out, uint64_t value) {
  out += 'i';
  AppendNumber(out, value);
}

void LogRecordWriter::AppendReal(std::string& out, double value) {
  out += 'r';
  char digits[64];
  const auto result = std::to_chars(digits, digits + sizeof digits, value);
  out += CloseUpSigns(std::string_view(digits, static_cast<size_t>(result.ptr - digits)));
}

void LogRecordWriter::AppendBoolean(std::string& out, bool value) { out += value ? "bTRUE" : "bFALSE"; }

void LogRecordWriter::AppendText(std::string& out, std::string_view text) {
  out += 'a';
  const size_t lengthAt = out.size();
  out += ':';
  const size_t start = out.size();
  AppendUtf8(out, text);
  char digits[24];
  const auto result = std::to_chars(digits, digits + sizeof digits, out.size() - start);
  out.insert(lengthAt, digits, static_cast<size_t>(result.ptr - digits));
}

void LogRecordWriter::AppendName(std::string& out, std::string_view name) {
  const size_t start = out.size();
  AppendUtf8(out, name);
  for (size_t i = start; i < out.size(); ++i)
    if (out[i] == ';') out[i] = '*';
}

void LogRecordWriter::AppendUtf8(std::string& out, std::string_view text) {
  size_t i = 0;
  while (i < text.size()) {
    // Copy the longest valid run at once; most texts are plain ASCII.
    size_t run = i;
    while (run < text.size()) {
      const size_t length = Utf8SequenceLength(text, run);
      if (length == 0) break;
      run += length;
    }
    out.append(text.data() + i, run - i);
    if (run == text.size()) return;
    const auto latin1 = static_cast<unsigned char>(text[run]);
    out += static_cast<char>(0xC0 | latin1 >> 6);
    out += static_cast<char>(0x80 | (latin1 & 0x3F));
    i = run + 1;
  }
}

std::string LogRecordWriter::CloseUpSigns(std::string_view number) {
  std::string out;
  out.reserve(number.size());
  size_t i = 0;
  while (i < number.size()) {
    const char c = number[i];
    if (c == '+' || c == '-') {
      size_t next = i + 1;
      while (next < number.size() && number[next] == ' ') ++next;
      if (next < number.size() && InSignedNumberRun(number[next])) {
        // The run goes on as far as it can; signs inside it belong to it.
        size_t end = next;
        while (end < number.size() && InSignedNumberRun(number[end])) ++end;
        out += c;
        out.append(number.substr(next, end - next));
        i = end;
        continue;
      }
    }
    out += c;
    ++i;
  }
  return out;
}
