#pragma once
// One decoded log record as the viewer sees it.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct LogRecordValue {
  enum class Kind { Integer, Real, Boolean, Text };
  std::string category;  // the category (or heading) the value belongs to
  std::string name;
  Kind kind = Kind::Text;
  std::string text;      // integers and reals as written, texts decoded
  bool boolean = false;
};

struct LogRecord {
  enum class Kind { Begin, End, Single };
  Kind kind = Kind::Single;
  std::optional<uint32_t> pid;  // begin and end records only
  std::string scope;            // begin and end records only
  int64_t seconds = 0;
  int milliseconds = 0;
  std::string function;
  std::string module;
  std::string type;
  std::vector<std::string> categories;  // every category and heading, in order
  std::vector<LogRecordValue> values;
  // The record's number in its process's sequence (the last value "#seq",
  // taken out of `values`); a single record also names its process by the
  // value "#pid" before it. Records of older modules have neither.
  std::optional<uint64_t> sequence;

  // The first value named "description", or empty.
  std::string Description() const;
  // Milliseconds since 1970.
  int64_t TimeMs() const { return seconds * 1000 + milliseconds; }
};
