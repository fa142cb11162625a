#include "settings/IniFile.h"

void IniFile::SetPath(std::string path) {
  if (path == path_) return;
  path_ = std::move(path);
  Forget();
  checkedInHold_ = false;
}

void IniFile::Forget() {
  cached_ = false;
  document_ = IniDocument();
  text_.clear();
}

void IniFile::Remember(std::string text, const FileSignature& signature) {
  text_ = std::move(text);
  signature_ = signature;
  mustCompare_ = MayChangeUnnoticed(signature);
  cached_ = true;
}

void IniFile::Hold(bool on) {
  held_ = on;
  checkedInHold_ = false;
}

IniFile::State IniFile::Refresh(std::string* error) {
  lastState_ = Examine(error);
  checkedInHold_ = held_;
  return lastState_;
}

IniFile::State IniFile::Examine(std::string* error) {
  FileSignature now;
  switch (StatFile(path_, &now)) {
    case FileStatus::Missing:
      Forget();
      return State::Missing;
    case FileStatus::Inaccessible:
      Forget();
      *error = "cannot read '" + path_ + "': not a readable regular file";
      return State::Unreadable;
    case FileStatus::Regular:
      break;
  }
  if (cached_ && now == signature_ && !mustCompare_) return State::Current;
  std::string text;
  FileSignature read;
  if (!ReadFileContents(path_, &text, &read, error)) {
    Forget();
    return State::Unreadable;
  }
  // A copy cached just after a change is confirmed by the contents, not the signature.
  if (!cached_ || text != text_) document_ = IniDocument(text);
  Remember(std::move(text), read);
  return State::Current;
}

std::optional<std::string> IniFile::Get(std::string_view section, std::string_view key) {
  std::string error;
  const State state = held_ && checkedInHold_ ? lastState_ : Refresh(&error);
  if (state != State::Current) return std::nullopt;
  const auto value = document_.Find(section, key);
  if (!value) return std::nullopt;
  return std::string(*value);
}

bool IniFile::Set(std::string_view section, std::string_view key, std::string_view value,
                  std::string* error) {
  // A file that exists but cannot be read is never replaced: its keys would be lost.
  if (Refresh(error) == State::Unreadable) return false;
  if (!document_.Set(section, key, value)) {
    *error = "the key '" + std::string(key) + "' cannot be stored in an INI file";
    return false;
  }
  std::string text = document_.Text();
  FileSignature written;
  if (!ReplaceFileContents(path_, text, &written, error)) {
    // The copy holds a value the file does not: read the file again next time.
    Forget();
    lastState_ = State::Missing;
    checkedInHold_ = false;
    return false;
  }
  Remember(std::move(text), written);
  lastState_ = State::Current;
  return true;
}
