// Shared checks for the hardening tests: a sibling run must end in time
// with 0 and its output, or 1 with a clear line and nothing left behind.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>

#include "tests/support/run_program.h"

namespace zembra::testing {

inline std::string Bin(const std::string& tool) { return std::string(ZEMBRA_BIN_DIR) + "/" + tool; }

inline std::set<std::string> FilesIn(const std::string& directory) {
  std::set<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(directory)) names.insert(entry.path().filename());
  return names;
}

/// The run ended by itself, with 0 or 1; on 1 it said why on standard error.
inline void ExpectCleanOutcome(const ProgramResult& result, const std::string& what) {
  EXPECT_FALSE(result.timedOut) << what;
  EXPECT_TRUE(result.exitCode == 0 || result.exitCode == 1) << what << ": exit " << result.exitCode << "\n"
                                                            << result.errorOutput;
  if (result.exitCode == 1) {
    EXPECT_FALSE(result.errorOutput.empty()) << what;
  }
}

/// Only the expected names are in the directory: no temporary file, no partial output.
inline void ExpectOnlyFiles(const std::string& directory, const std::set<std::string>& allowed,
                            const std::string& what) {
  for (const std::string& name : FilesIn(directory))
    EXPECT_TRUE(allowed.count(name) > 0) << what << ": left " << name;
}

/// How many processes carry this "NAME=value" in their environment: what a
/// run that was given it left behind.
inline int ProcessesMarkedWith(const std::string& marker) {
  int count = 0;
  for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
    const std::string name = entry.path().filename();
    if (name.find_first_not_of("0123456789") != std::string::npos) continue;
    std::ifstream environ(entry.path() / "environ", std::ios::binary);
    const std::string content((std::istreambuf_iterator<char>(environ)), std::istreambuf_iterator<char>());
    if (content.find(marker) != std::string::npos) ++count;
  }
  return count;
}

}  // namespace zembra::testing
