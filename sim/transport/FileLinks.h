#pragma once
// Symbolic links in a ports directory (COMn -> /dev/pts/N).
#include <string>

namespace sim::transport {

// Points link at target, replacing an older symbolic link atomically; a
// regular file or directory at link is left alone and reported.
bool ReplaceSymlink(const std::string& target, const std::string& link, std::string* error);
// Removes link when it is a symbolic link.
void RemoveSymlink(const std::string& link);
// Whether anything (even a dangling link) exists at path.
bool PathEntryExists(const std::string& path);
bool IsDirectory(const std::string& path);
// Removes a socket file left at path.
void RemoveSocketFile(const std::string& path);

}  // namespace sim::transport
