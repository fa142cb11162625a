#pragma once
// One INI file on disk, read through a parsed copy that is kept between
// calls and re-read only when the file changed (another inode, size or
// modification time; a file changed within the last few milliseconds is
// compared by contents, as its timestamp may not show a further change).
// Every Set reaches the file at once and replaces it
// atomically, so other readers and a crash see the old or the new file whole
// (a file whose folder takes no new files is written in place). Processes
// setting values in one file take turns through a named lock, and each Set
// reads the file afresh, so no writer loses another's values.
//
// The file keeps its encoding (see FileEncoding.h): values are given and
// taken as UTF-8 and written in UTF-8, Latin-1 or UTF-16 as the file was;
// a Latin-1 file becomes UTF-8 only when a value needs a character beyond
// Latin-1.
#include <optional>
#include <string>
#include <string_view>

#include "platform/FileAccess.h"
#include "settings/FileEncoding.h"
#include "settings/IniDocument.h"

class IniFile {
public:
  explicit IniFile(std::string path) : path_(std::move(path)) {}

  const std::string& Path() const { return path_; }
  void SetPath(std::string path);

  // While held, reads are served from the copy as the first read after
  // Hold(true) found the file (plus this object's own writes): one access of
  // many reads sees one consistent version, and the file is examined once.
  // Changes by other writers show at the next read after the hold, or at the
  // next Set, which always works on the current file.
  void Hold(bool on);

  // The value (UTF-8, trimmed and unquoted), or nothing when the
  // file cannot be read or has no such section or key.
  std::optional<std::string> Get(std::string_view section, std::string_view key);

  // Sets the value in the file (names and value are UTF-8; bytes that are
  // not are taken as Latin-1). False, with a reason, when the file could not
  // be read or written or the key or value cannot be stored (see
  // IniDocument::Unstorable); the file is then as it was.
  bool Set(std::string_view section, std::string_view key, std::string_view value,
           std::string* error);

private:
  enum class State { Current, Missing, Unreadable };
  // Brings the parsed copy up to date with the file.
  State Refresh(std::string* error);
  State Examine(std::string* error);
  void Forget();
  void Remember(std::string text, const FileSignature& signature);

  std::string path_;
  IniDocument document_;
  std::string text_;  // the file's bytes that document_ was parsed from or written as
  FileEncoding encoding_;
  FileSignature signature_;
  bool cached_ = false;
  bool mustCompare_ = false;
  bool held_ = false;
  bool checkedInHold_ = false;
  State lastState_ = State::Missing;
};
