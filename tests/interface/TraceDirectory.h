#pragma once
// A fresh temporary directory for start-up trace tests, with or without the
// trace file, and the lines written to it.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <string>
#include <vector>

#include "interface/StartupTrace.h"
#include "logging/LogReceiver.h"

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

  // The texts of the trace lines; every line must carry its time stamp.
  std::vector<std::string> Lines() const {
    std::vector<std::string> texts;
    std::ifstream in(File());
    std::string line;
    const std::regex stamped("[ 12][0-9]:[0-5][0-9]:[0-5][0-9]\\.[0-9]{3} (.*)");
    while (std::getline(in, line)) {
      std::smatch match;
      EXPECT_TRUE(std::regex_match(line, match, stamped)) << line;
      texts.push_back(match.size() > 1 ? match[1].str() : line);
    }
    return texts;
  }
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
