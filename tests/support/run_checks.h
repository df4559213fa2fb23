// Checks of how a sibling run ended: in time with 0 and its output, or 1
// with a clear line and nothing left behind.
#pragma once

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "tests/support/files.h"
#include "tests/support/run_program.h"

namespace zembra::testing {

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

}  // namespace zembra::testing
