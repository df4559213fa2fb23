#include "engines/common/guarded_main.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <functional>
#include <new>
#include <stdexcept>

#include "tests/support/files.h"
#include "tests/support/run_program.h"

namespace zembra {
namespace {

// Diagnostics also write to the file named by ZEMBRA_LOG: what the run said.
class GuardedMainTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = testing::MakeTempDirectory("guarded-main");
    ASSERT_EQ(::setenv("ZEMBRA_LOG", (dir_ + "/log").c_str(), 1), 0);
  }
  void TearDown() override {
    ::unsetenv("ZEMBRA_LOG");
    testing::RemoveDirectory(dir_);
  }
  std::string Said() const { return testing::ReadFile(dir_ + "/log"); }
  std::string dir_;
};

TEST_F(GuardedMainTest, TheRunsOwnStatusPassesThrough) {
  const Diagnostics diagnostics("tool");
  for (const int status : {0, 1, 2}) EXPECT_EQ(GuardedMain(diagnostics, [&] { return status; }), status);
  EXPECT_EQ(Said(), "");
}

TEST_F(GuardedMainTest, AnEscapingExceptionIsOneLineAndStatusOne) {
  struct Case {
    std::function<int()> run;
    const char* says;
  };
  const Case cases[] = {
      {[]() -> int { throw std::runtime_error("the library gave up\non two lines"); },
       "tool: unexpected error: the library gave up on two lines\n"},
      {[]() -> int { throw std::bad_alloc(); }, "tool: out of memory\n"},
      {[]() -> int { throw 42; }, "tool: unexpected error\n"},
  };
  Diagnostics diagnostics("tool");
  diagnostics.setQuiet(true);  // errors are said all the same
  for (const Case& c : cases) {
    ::unlink((dir_ + "/log").c_str());
    EXPECT_EQ(GuardedMain(diagnostics, c.run), 1);
    EXPECT_EQ(Said(), c.says);
  }
}

}  // namespace
}  // namespace zembra
