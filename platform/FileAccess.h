#pragma once
// Whole-file reads and atomic whole-file replacement, for small text files
// such as INI configurations.
#include <cstdint>
#include <string>

// Identifies one version of a file: a replaced or rewritten file gets a new
// signature (other inode, size or modification time).
struct FileSignature {
  uint64_t device = 0;
  uint64_t inode = 0;
  int64_t size = -1;
  int64_t modifiedNanoseconds = 0;
  bool operator==(const FileSignature&) const = default;
};

enum class FileStatus {
  Regular,      // a regular file (links followed)
  Missing,      // nothing at that path (or a directory of it is missing)
  Inaccessible  // something else: a directory, a device, no permission ...
};

// What is at path; fills the signature of a regular file. For an
// inaccessible one, why says why ("Permission denied", "Is a directory").
FileStatus StatFile(const std::string& path, FileSignature* signature, std::string* why = nullptr);

// True when the file was modified so recently that a further change in place
// could keep its size and modification time (timestamps advance in coarse
// steps): a copy cached now must be checked against the contents next time.
bool MayChangeUnnoticed(const FileSignature& signature);

// Reads a regular file whole. On success fills content and the signature of
// the version read; on failure leaves a reason in error.
bool ReadFileContents(const std::string& path, std::string* content, FileSignature* signature,
                      std::string* error);

// Replaces the file with content atomically: the data goes to a new temporary
// file in the same directory, which is then renamed over the target, so
// readers see either the old or the new file whole. A symbolic link is
// followed and its target replaced. The mode of an existing file is kept. A
// file without any write permission bit counts as read-only and is not
// replaced. When the folder takes no new file but the file may be written,
// the file is written in place instead (over its old contents, cut to the
// new length and flushed). On success fills the signature of the new file;
// on failure the old file is untouched, the temporary file removed and
// error says why.
bool ReplaceFileContents(const std::string& path, const std::string& content,
                         FileSignature* signature, std::string* error);

// The absolute path of a file with its links resolved; for a file that does
// not exist yet, its folder's resolved path and its name; else the path.
std::string CanonicalPath(const std::string& path);

// Makes a folder only its owner may enter (mode 0700), with the folders
// above it that are missing (0700 too, as per-user folders are). An existing
// folder serves when it is a real folder (not a link) of the current user,
// and is made private if it was not; anything else fails with the reason.
bool MakePrivateDirectory(const std::string& path, std::string* error);
