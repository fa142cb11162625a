#include "settings/IniFile.h"

#include "platform/NamedSharedMutex.h"

namespace {
// How long a save waits for another process's save of the same file.
constexpr uint32_t kTurnMilliseconds = 10000;
// Writers of one file take turns through a named lock. The name comes from
// the file's resolved path, hashed into a fixed set of locks so that the
// lock objects do not grow with the number of files ever saved (two files
// that share a lock only wait for each other).
constexpr uint64_t kLockCount = 64;

std::string LockNameFor(const std::string& path) {
  uint64_t hash = 0xcbf29ce484222325ull;
  for (unsigned char c : CanonicalPath(path)) hash = (hash ^ c) * 0x100000001b3ull;
  return "Global\\SWMATRIX:INI:" + std::to_string(hash % kLockCount);
}

// Holds the lock of a file's writers while it lives; Obtained() is false when
// no turn came in time.
class WriterTurn {
public:
  explicit WriterTurn(const std::string& path) {
    int error = 0;
    lock_ = NamedSharedMutex::Open(LockNameFor(path), &error);
    // Without the lock object (no shared memory) a save goes ahead alone.
    if (!lock_) return;
    const NamedSharedMutex::Result result = lock_->Lock(kTurnMilliseconds, &error);
    held_ = result == NamedSharedMutex::Result::Obtained || result == NamedSharedMutex::Result::Abandoned;
    if (!held_) lock_ = nullptr, timedOut_ = result == NamedSharedMutex::Result::TimedOut;
  }
  ~WriterTurn() {
    if (held_) lock_->Unlock();
  }
  WriterTurn(const WriterTurn&) = delete;
  WriterTurn& operator=(const WriterTurn&) = delete;
  bool TimedOut() const { return timedOut_; }

private:
  NamedSharedMutex* lock_ = nullptr;
  bool held_ = false;
  bool timedOut_ = false;
};
}  // namespace

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
  encoding_ = FileEncoding();
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
  std::string why;
  switch (StatFile(path_, &now, &why)) {
    case FileStatus::Missing:
      Forget();
      return State::Missing;
    case FileStatus::Inaccessible:
      Forget();
      *error = "cannot read '" + path_ + "': " + why;
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
  if (!cached_ || text != text_) document_ = IniDocument(DecodeFileText(text, &encoding_));
  Remember(std::move(text), read);
  return State::Current;
}

std::optional<std::string> IniFile::Get(std::string_view section, std::string_view key) {
  std::string error;
  const State state = held_ && checkedInHold_ ? lastState_ : Refresh(&error);
  if (state != State::Current) return std::nullopt;
  // Names that are not UTF-8 are Latin-1, as the file's text is held in UTF-8.
  std::string sectionText, keyText;
  if (!IsUtf8(section)) section = sectionText = AsUtf8(section);
  if (!IsUtf8(key)) key = keyText = AsUtf8(key);
  const auto value = document_.Find(section, key);
  if (!value) return std::nullopt;
  return std::string(*value);
}

bool IniFile::Set(std::string_view section, std::string_view key, std::string_view value,
                  std::string* error) {
  // Another process saving the same file finishes first, so that this save
  // reads its values and keeps them.
  WriterTurn turn(path_);
  if (turn.TimedOut()) {
    *error = "'" + path_ + "' is being saved by another program: no turn within " +
             std::to_string(kTurnMilliseconds / 1000) + " s";
    return false;
  }
  // A file that exists but cannot be read is never replaced: its keys would be lost.
  if (Refresh(error) == State::Unreadable) return false;
  const std::string sectionText = AsUtf8(section), keyText = AsUtf8(key), valueText = AsUtf8(value);
  if (const auto reason = IniDocument::Unstorable(keyText, valueText)) {
    *error = "[" + sectionText + "] " + *reason;
    return false;
  }
  document_.Set(sectionText, keyText, valueText);
  std::string text = EncodeFileText(document_.Text(), &encoding_);
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
