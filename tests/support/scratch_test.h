// GoogleTest fixtures on a scratch directory of their own, and the one for
// runs of the built toolbox checked with qpdf and poppler's tools.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/engine_check.h"
#include "tests/support/files.h"
#include "tests/support/run_program.h"

namespace zembra::testing {

/// A test with a fresh directory, removed with its content afterwards.
class ScratchTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_FALSE(scratch_.path().empty()) << "cannot create a scratch directory"; }

  std::string Path(const std::string& name) const { return scratch_.File(name); }
  /// Names of the files in the scratch directory, sorted.
  std::vector<std::string> Files() const { return FilesIn(scratch_.path()); }

  ScratchDirectory scratch_;
};

/// Runs of the built zemkit.lib, whose results are read back with qpdf and pdftotext.
class ToolboxTest : public ScratchTest {
 protected:
  void SetUp() override {
    ScratchTest::SetUp();
    ZEMBRA_REQUIRE_PROGRAM("qpdf");
    ZEMBRA_REQUIRE_PROGRAM("pdftotext");
  }

  ProgramResult Toolbox(const std::vector<std::string>& words, const std::string& input = "") {
    return RunBuilt("zemkit.lib", words, input);
  }
  ProgramResult Qpdf(const std::vector<std::string>& words) {
    std::vector<std::string> argv{"qpdf"};
    argv.insert(argv.end(), words.begin(), words.end());
    return RunProgram(argv);
  }
};

}  // namespace zembra::testing
