// What a missing engine does to a test: a skip on a developer machine, a
// failure in CI.
#include "tests/support/engine_check.h"

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace zembra::testing {
namespace {

// Sets CI for one test and puts the old value back.
class ScopedCi {
 public:
  explicit ScopedCi(const char* value) {
    if (const char* old = std::getenv("CI")) old_ = old;
    had_ = std::getenv("CI") != nullptr;
    if (value != nullptr) ::setenv("CI", value, 1);
    else ::unsetenv("CI");
  }
  ~ScopedCi() {
    if (had_) ::setenv("CI", old_.c_str(), 1);
    else ::unsetenv("CI");
  }

 private:
  std::string old_;
  bool had_ = false;
};

TEST(EngineCheck, CiIsSetUnlessEmptyOrFalse) {
  struct Case {
    const char* value;
    bool inCi;
  };
  for (const Case& c : {Case{"true", true}, Case{"1", true}, Case{"yes", true}, Case{"", false}, Case{"false", false},
                        Case{nullptr, false}}) {
    ScopedCi ci(c.value);
    EXPECT_EQ(InCi(), c.inCi) << (c.value != nullptr ? c.value : "(unset)");
  }
}

TEST(EngineCheck, ProgramsByPathOrOnPath) {
  EXPECT_TRUE(HaveProgram("sh"));
  EXPECT_TRUE(HaveProgram("/bin/sh"));
  EXPECT_FALSE(HaveProgram("zembra-no-such-program"));
  EXPECT_FALSE(HaveProgram("/nonexistent/sh"));
  EXPECT_FALSE(HaveProgram(std::string(ZEMBRA_SOURCE_DIR) + "/README.md")) << "not executable";
}

void RequireMissingProgram() { ZEMBRA_REQUIRE_PROGRAM("zembra-no-such-program"); }

TEST(EngineCheck, AMissingEngineFailsInCi) {
  ScopedCi ci("true");
  EXPECT_FATAL_FAILURE(RequireMissingProgram(), "required: engine zembra-no-such-program");
}

TEST(EngineCheck, APresentEngineNeitherFailsNorSkips) {
  ScopedCi ci("true");
  ZEMBRA_REQUIRE_PROGRAM("sh");
  ZEMBRA_REQUIRE(true, "nothing");
  SUCCEED();
}

}  // namespace
}  // namespace zembra::testing
