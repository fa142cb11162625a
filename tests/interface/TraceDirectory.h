#pragma once
// A fresh temporary directory for start-up trace tests, with or without the
// trace file, and the lines written to it.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "interface/StartupTrace.h"
#include "logging/LogReceiver.h"
#include "support/TraceLines.h"

class TraceDirectory {
public:
  explicit TraceDirectory(bool withTraceFile) : path_(UniqueTempPath("trace")) {
    std::filesystem::create_directories(path_);
    if (withTraceFile) std::ofstream(File()).flush();
  }
  ~TraceDirectory() { std::filesystem::remove_all(path_); }

  const std::string& Path() const { return path_; }
  std::string File() const { return path_ + "/" + StartupTrace::kFileName; }
  bool FileExists() const { return std::filesystem::exists(File()); }

  // The texts of the trace lines.
  std::vector<std::string> Lines() const { return TraceLineTexts(File()); }
  // The lines written since the last call.
  std::vector<std::string> NewLines() {
    std::vector<std::string> all = Lines();
    std::vector<std::string> fresh(all.begin() + static_cast<long>(std::min(seen_, all.size())), all.end());
    seen_ = all.size();
    return fresh;
  }

private:
  std::string path_;
  size_t seen_ = 0;
};
