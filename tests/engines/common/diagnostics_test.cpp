#include "engines/common/diagnostics.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "tests/support/files.h"

namespace zembra {
namespace {

// Collects what is written to standard error while it lives.
class StandardErrorCapture {
 public:
  explicit StandardErrorCapture(const std::string& path) : path_(path) {
    saved_ = ::dup(STDERR_FILENO);
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ::dup2(fd, STDERR_FILENO);
    ::close(fd);
  }
  ~StandardErrorCapture() { Restore(); }
  std::string Text() {
    Restore();
    return testing::ReadFile(path_);
  }

 private:
  void Restore() {
    if (saved_ < 0) return;
    ::dup2(saved_, STDERR_FILENO);
    ::close(saved_);
    saved_ = -1;
  }
  std::string path_;
  int saved_ = -1;
};

class CommonDiagnostics : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(dir_.path().empty());
    ::unsetenv("ZEMBRA_LOG");
  }
  void TearDown() override { ::unsetenv("ZEMBRA_LOG"); }
  testing::ScratchDirectory dir_{"common-diagnostics"};
};

TEST_F(CommonDiagnostics, OneLinePerMessageWithTheToolsName) {
  StandardErrorCapture capture(dir_.File("stderr"));
  Diagnostics diagnostics("zemtest.lib");
  EXPECT_EQ(diagnostics.toolName(), "zemtest.lib");
  diagnostics.note("a note");
  diagnostics.warn("a warning");
  diagnostics.error("two\nlines\r\nin one");
  EXPECT_EQ(capture.Text(),
            "zemtest.lib: a note\n"
            "zemtest.lib: warning: a warning\n"
            "zemtest.lib: two lines  in one\n");
}

TEST_F(CommonDiagnostics, QuietKeepsOnlyErrors) {
  StandardErrorCapture capture(dir_.File("stderr"));
  Diagnostics diagnostics("zemtest.lib");
  diagnostics.setQuiet(true);
  EXPECT_TRUE(diagnostics.quiet());
  diagnostics.note("dropped");
  diagnostics.warn("dropped");
  diagnostics.error("kept");
  EXPECT_EQ(capture.Text(), "zemtest.lib: kept\n");
}

TEST_F(CommonDiagnostics, TheLogFileGetsTheSameLinesAppended) {
  const std::string log = dir_.File("log");
  testing::WriteFile(log, "earlier line\n");
  ::setenv("ZEMBRA_LOG", log.c_str(), 1);
  StandardErrorCapture capture(dir_.File("stderr"));
  Diagnostics diagnostics("zemtest.lib");
  diagnostics.warn("disk almost full");
  diagnostics.error("cannot write out.pdf");
  EXPECT_EQ(capture.Text(), "zemtest.lib: warning: disk almost full\nzemtest.lib: cannot write out.pdf\n");
  EXPECT_EQ(testing::ReadFile(log),
            "earlier line\nzemtest.lib: warning: disk almost full\nzemtest.lib: cannot write out.pdf\n");
}

TEST_F(CommonDiagnostics, AnUnwritableLogDoesNotLoseTheMessage) {
  for (const std::string& log : {std::string(""), dir_.File("no/such/log")}) {
    ::setenv("ZEMBRA_LOG", log.c_str(), 1);
    StandardErrorCapture capture(dir_.File("stderr"));
    Diagnostics("zemtest.lib").error("still said");
    EXPECT_EQ(capture.Text(), "zemtest.lib: still said\n") << "'" << log << "'";
  }
}

}  // namespace
}  // namespace zembra
