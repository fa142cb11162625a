#pragma once
// Files that only this user's processes may see or plant: a per-user folder
// and whole-file writes into it that never follow a link another account
// left at the file's name.
#include <string>

// This user's private folder: $XDG_RUNTIME_DIR when it is one (a directory,
// not a link, owned by this user, closed to everyone else), else
// "swmatrix-<uid>" in $TMPDIR (else /tmp), created with mode 0700. When that
// name is taken by anything else (another account's folder, a link, an open
// folder), a fresh folder "swmatrix-<uid>-XXXXXX" is made beside it and
// used for the rest of the process. Fills directory with the folder chosen
// (or the one that could not be made) and returns 0 or the system's error
// number.
int PrivateDirectory(std::string* directory);

// Writes the bytes as the file name in the folder: into a new file created
// exclusively under a temporary name, which then replaces whatever is at
// name (a link is replaced, never followed). 0 or the system's error number.
int ReplacePrivateFile(const std::string& directory, const std::string& name, const std::string& bytes);

// Removes a file; 0, or the system's error number (a missing file is not an error).
int RemoveFile(const std::string& path);
