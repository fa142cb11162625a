#pragma once
// The texts of the lines of a start-up trace file; every line must carry
// its time stamp.
#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <string>
#include <vector>

inline std::vector<std::string> TraceLineTexts(const std::string& file) {
  std::vector<std::string> texts;
  std::ifstream in(file);
  std::string line;
  const std::regex stamped("[ 12][0-9]:[0-5][0-9]:[0-5][0-9]\\.[0-9]{3} (.*)");
  while (std::getline(in, line)) {
    std::smatch match;
    EXPECT_TRUE(std::regex_match(line, match, stamped)) << line;
    texts.push_back(match.size() > 1 ? match[1].str() : line);
  }
  return texts;
}
