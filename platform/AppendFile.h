#pragma once
// Appending to a file that must already exist: opened, written at the end and
// closed for every call, never created.
#include <string>
#include <string_view>

class AppendFile {
public:
  static bool Exists(const std::string& path);
  // False when the file does not exist or cannot be written.
  static bool Append(const std::string& path, std::string_view text);
};
