#include "LogRecordParser.h"

#include <charconv>
#include <cstdlib>

namespace {
// Reads fields separated by ";" from the record text.
class Cursor {
public:
  explicit Cursor(std::string_view text) : text_(text) {}

  bool AtEnd() const { return position_ > text_.size(); }
  // The next field up to ";" or the end.
  std::string_view Field() {
    if (position_ > text_.size()) return {};
    const size_t end = std::min(text_.find(';', position_), text_.size());
    const std::string_view field = text_.substr(position_, end - position_);
    position_ = end + 1;
    return field;
  }
  // What lies ahead, up to the end of the record.
  std::string_view Rest() const { return position_ <= text_.size() ? text_.substr(position_) : std::string_view(); }
  // Skips `count` bytes that must be followed by ";" or the end.
  bool Skip(size_t count) {
    if (position_ + count > text_.size()) return false;
    position_ += count;
    if (position_ < text_.size() && text_[position_] != ';') return false;
    ++position_;
    return true;
  }
  size_t Position() const { return position_; }
  void Rewind(size_t position) { position_ = position; }

private:
  std::string_view text_;
  size_t position_ = 0;
};

bool AllDigits(std::string_view text) {
  if (text.empty()) return false;
  for (char c : text)
    if (c < '0' || c > '9') return false;
  return true;
}

template <class T>
bool ParseNumber(std::string_view text, T* value, int base = 10) {
  if (text.empty()) return false;
  const auto result = std::from_chars(text.data(), text.data() + text.size(), *value, base);
  return result.ec == std::errc() && result.ptr == text.data() + text.size();
}

// "seconds.milliseconds" with exactly three digits of milliseconds.
bool ParseTime(std::string_view text, LogRecord* record) {
  const size_t dot = text.find('.');
  if (dot == std::string_view::npos || text.size() - dot != 4) return false;
  if (!AllDigits(text.substr(0, dot)) || !AllDigits(text.substr(dot + 1))) return false;
  return ParseNumber(text.substr(0, dot), &record->seconds) && ParseNumber(text.substr(dot + 1), &record->milliseconds);
}

// A sign followed by blanks is closed up, as the writer does for numbers.
std::string CloseUpSign(std::string_view number) {
  std::string out(number);
  if (!out.empty() && (out[0] == '+' || out[0] == '-')) {
    size_t blanks = 1;
    while (blanks < out.size() && out[blanks] == ' ') ++blanks;
    out.erase(1, blanks - 1);
  }
  return out;
}

bool IsInteger(std::string_view text) {
  const std::string number = CloseUpSign(text);
  std::string_view digits = number;
  if (!digits.empty() && (digits[0] == '+' || digits[0] == '-')) digits.remove_prefix(1);
  return AllDigits(digits);
}

bool IsReal(std::string_view text) {
  const std::string number = CloseUpSign(text);
  if (number.empty()) return false;
  if (number == "inf" || number == "-inf" || number == "+inf" || number == "nan" || number == "-nan") return true;
  for (char c : number)
    if (!((c >= '0' && c <= '9') || c == '.' || c == 'e' || c == 'E' || c == '+' || c == '-')) return false;
  char* end = nullptr;
  std::strtod(number.c_str(), &end);
  return end == number.c_str() + number.size();
}

// The length of a text value "a<length>:", or -1 when the field does not start like one.
long TextLength(std::string_view field) {
  if (field.size() < 3 || field[0] != 'a') return -1;
  const size_t colon = field.find(':');
  if (colon == std::string_view::npos || !AllDigits(field.substr(1, colon - 1)) || colon > 12) return -1;
  long length = 0;
  return ParseNumber(field.substr(1, colon - 1), &length) ? length : -1;
}

enum class ValueParse { NotAValue, Parsed, Malformed };

// Reads the value at the cursor when there is one.
ValueParse ReadValue(Cursor& cursor, LogRecordValue* value, std::string* error) {
  const size_t start = cursor.Position();
  const std::string_view rest = cursor.Rest();
  if (rest.size() >= 2 && rest[0] == 'a' && rest[1] >= '0' && rest[1] <= '9') {
    const size_t colon = rest.find(':');
    const long length = colon == std::string_view::npos ? -1 : TextLength(rest.substr(0, colon + 1));
    if (length >= 0) {
      const size_t head = colon + 1;
      if (head + static_cast<size_t>(length) > rest.size()) {
        *error = "text value longer than the record";
        return ValueParse::Malformed;
      }
      cursor.Rewind(start + head);
      if (!cursor.Skip(static_cast<size_t>(length))) {
        *error = "text value not followed by a separator";
        return ValueParse::Malformed;
      }
      value->kind = LogRecordValue::Kind::Text;
      value->text = std::string(rest.substr(head, static_cast<size_t>(length)));
      return ValueParse::Parsed;
    }
  }
  const std::string_view field = cursor.Field();
  if (field == "bTRUE" || field == "bFALSE") {
    value->kind = LogRecordValue::Kind::Boolean;
    value->boolean = field == "bTRUE";
    value->text = field.substr(1);
    return ValueParse::Parsed;
  }
  if (!field.empty() && field[0] == 'i' && IsInteger(field.substr(1))) {
    value->kind = LogRecordValue::Kind::Integer;
    value->text = CloseUpSign(field.substr(1));
    return ValueParse::Parsed;
  }
  if (!field.empty() && field[0] == 'r' && IsReal(field.substr(1))) {
    value->kind = LogRecordValue::Kind::Real;
    value->text = CloseUpSign(field.substr(1));
    return ValueParse::Parsed;
  }
  cursor.Rewind(start);
  return ValueParse::NotAValue;
}

bool ParseContent(Cursor& cursor, LogRecord* record, std::string* error) {
  if (cursor.AtEnd()) return true;
  std::string category;
  bool first = true;
  while (!cursor.AtEnd()) {
    const std::string_view field = cursor.Field();
    if (!field.empty() && field[0] == '!') {
      category = std::string(field);
      record->categories.push_back(category);
      first = false;
      continue;
    }
    if (first) {
      *error = "content does not begin with a category";
      return false;
    }
    LogRecordValue value;
    value.category = category;
    value.name = std::string(field);
    switch (ReadValue(cursor, &value, error)) {
      case ValueParse::Parsed: record->values.push_back(std::move(value)); break;
      case ValueParse::Malformed: return false;
      case ValueParse::NotAValue:
        // A heading of the writer's own (such as "DDLOG"): the values after it belong to it.
        category = std::string(field);
        record->categories.push_back(category);
        break;
    }
  }
  return true;
}
// The trailing "#seq" (and, for a single record, "#pid") values that the
// module adds to every record become fields of the record.
void TakeSequence(LogRecord* record) {
  auto trailing = [&](std::string_view name) -> const LogRecordValue* {
    if (record->values.empty()) return nullptr;
    const LogRecordValue& last = record->values.back();
    return last.name == name && last.kind == LogRecordValue::Kind::Integer ? &last : nullptr;
  };
  uint64_t sequence = 0;
  const LogRecordValue* value = trailing("#seq");
  if (!value || !ParseNumber(value->text, &sequence)) return;
  record->sequence = sequence;
  record->values.pop_back();
  uint32_t pid = 0;
  value = trailing("#pid");
  if (!value || record->pid || !ParseNumber(value->text, &pid)) return;
  record->pid = pid;
  record->values.pop_back();
}
}  // namespace

std::string LogRecord::Description() const {
  for (const LogRecordValue& value : values)
    if (value.name == "description") return value.text;
  return {};
}

bool LogRecordParser::Parse(std::string_view text, LogRecord* record, std::string* error) {
  *record = LogRecord();
  std::string ignored;
  if (!error) error = &ignored;
  Cursor cursor(text);
  const std::string_view tag = cursor.Field();
  if (tag == "!logb") record->kind = LogRecord::Kind::Begin;
  else if (tag == "!loge") record->kind = LogRecord::Kind::End;
  else if (tag == "!logn") record->kind = LogRecord::Kind::Single;
  else {
    *error = "unknown record kind";
    return false;
  }
  if (record->kind == LogRecord::Kind::Single) {
    std::string_view time = cursor.Field();
    constexpr std::string_view kPlaceholders = ",---,---";
    if (time.size() < kPlaceholders.size() || time.substr(time.size() - kPlaceholders.size()) != kPlaceholders ||
        !ParseTime(time.substr(0, time.size() - kPlaceholders.size()), record)) {
      *error = "bad time field";
      return false;
    }
    if (cursor.AtEnd() || cursor.Field() != "---") {
      *error = "missing \"---\" field";
      return false;
    }
  } else {
    uint32_t pid = 0;
    if (cursor.AtEnd() || !ParseNumber(cursor.Field(), &pid)) {
      *error = "bad process ID";
      return false;
    }
    record->pid = pid;
    const std::string_view scope = cursor.Field();
    uint64_t address = 0;
    if (cursor.AtEnd() || scope.size() < 3 || scope.substr(0, 2) != "0x" || !ParseNumber(scope.substr(2), &address, 16)) {
      *error = "bad scope identity";
      return false;
    }
    record->scope = std::string(scope);
    if (cursor.AtEnd() || !ParseTime(cursor.Field(), record)) {
      *error = "bad time field";
      return false;
    }
  }
  std::string* header[] = {&record->function, &record->module, &record->type};
  for (std::string* field : header) {
    if (cursor.AtEnd()) {
      *error = "record ends in its header";
      return false;
    }
    *field = std::string(cursor.Field());
  }
  if (!ParseContent(cursor, record, error)) return false;
  TakeSequence(record);
  return true;
}
