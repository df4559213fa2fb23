// Tests that need a real engine, a file or a privilege skip on a developer
// machine without it, but fail in CI (CI set in the environment), where
// anything missing is a broken set-up.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

namespace zembra::testing {

inline bool InCi() {
  const char* ci = std::getenv("CI");
  return ci != nullptr && *ci != '\0' && std::string(ci) != "false";
}

/// Whether an executable is reachable: a path, or a name on PATH.
inline bool HaveProgram(const std::string& name) {
  if (name.find('/') != std::string::npos) return ::access(name.c_str(), X_OK) == 0;
  return std::system(("command -v '" + name + "' >/dev/null 2>&1").c_str()) == 0;
}

}  // namespace zembra::testing

/// Skips the test (fails it in CI) unless the condition holds; what says
/// what is missing. Use it in the test body or in SetUp.
#define ZEMBRA_REQUIRE(condition, what)                                  \
  do {                                                                   \
    if (!(condition)) {                                                  \
      if (::zembra::testing::InCi()) FAIL() << "required: " << (what);   \
      GTEST_SKIP() << "missing: " << (what);                             \
    }                                                                    \
  } while (0)

/// Skips the test (fails it in CI) when the program is missing.
#define ZEMBRA_REQUIRE_PROGRAM(name) \
  ZEMBRA_REQUIRE(::zembra::testing::HaveProgram(name), std::string("engine ") + (name))
