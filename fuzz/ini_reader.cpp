// Fuzzes the INI reader and writer: any bytes parse, decode and encode back
// unchanged in the encoding found, and a value set in them reads back
// exactly, also after parsing the written text again, without changing any
// other value.
#include <fuzzer/FuzzedDataProvider.h>

#include <string>
#include <utility>
#include <vector>

#include "FuzzCheck.h"
#include "settings/FileEncoding.h"
#include "settings/IniDocument.h"

namespace {
using Values = std::vector<std::pair<std::pair<std::string, std::string>, std::string>>;

// Every (section, key) the document lists, with the value a lookup gives.
Values AllValues(const IniDocument& doc) {
  Values values;
  for (const std::string& section : doc.SectionNames())
    for (const std::string& key : doc.KeyNames(section)) {
      const auto value = doc.Find(section, key);
      Check(value.has_value());
      values.push_back({{section, key}, std::string(*value)});
    }
  return values;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider input(data, size);
  const std::string section = input.ConsumeRandomLengthString(64);
  const std::string key = input.ConsumeRandomLengthString(64);
  const std::string value = input.ConsumeRandomLengthString(256);
  const std::string text = input.ConsumeRemainingBytesAsString();

  FileEncoding encoding;
  const std::string decoded = DecodeFileText(text, &encoding);
  const FileEncoding found = encoding;
  Check(EncodeFileText(decoded, &encoding) == text && encoding == found);

  IniDocument doc(text);
  Check(doc.Text() == text);
  const Values before = AllValues(doc);

  if (!doc.Set(section, key, value)) return 0;
  const auto set = doc.Find(section, key);
  Check(set.has_value() && *set == value);

  const IniDocument again(doc.Text());
  const auto reread = again.Find(section, key);
  Check(reread.has_value() && *reread == value);
  Check(again.Text() == doc.Text());
  // Every other value is as it was.
  for (const auto& [where, old] : before) {
    if (IniDocument::Fold(where.first) == IniDocument::Fold(section) &&
        IniDocument::Fold(where.second) == IniDocument::Fold(key))
      continue;
    const auto now = again.Find(where.first, where.second);
    Check(now.has_value() && *now == old);
  }
  return 0;
}
