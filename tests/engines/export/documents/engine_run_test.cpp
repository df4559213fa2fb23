#include "engines/export/documents/engine_run.h"

#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <fstream>

#include "tests/engines/export/documents/test_pdfs.h"

namespace zembra::exporter {
namespace {

using testing::ReadFile;
using testing::TestDirectory;

TEST(LastLine, SkipsTrailingBlankLines) {
  EXPECT_EQ(LastLine("first\nSyntax Error: broken\n\n  \n"), "Syntax Error: broken");
  EXPECT_EQ(LastLine("  only one  "), "only one");
  EXPECT_EQ(LastLine("\r\n\n"), "");
  EXPECT_EQ(LastLine(""), "");
}

TEST(RunEngine, SucceedsAndKeepsStandardOutput) {
  const std::string out = TestDirectory() + "/out.txt";
  EngineCall call;
  call.argv = {"/bin/sh", "-c", "echo hello; echo noise >&2"};
  call.standardOutput = out;
  std::string error;
  ASSERT_TRUE(RunEngine(call, error)) << error;
  EXPECT_EQ(ReadFile(out), "hello\n");
}

TEST(RunEngine, FailureNamesTheProgramAndItsLastWords) {
  EngineCall call;
  call.argv = {"/bin/sh", "-c", "echo first >&2; echo 'the real reason' >&2; exit 3"};
  std::string error;
  EXPECT_FALSE(RunEngine(call, error));
  EXPECT_EQ(error, "sh failed (exit status 3): the real reason");
}

TEST(RunEngine, AMissingProgramIsReported) {
  EngineCall call;
  call.argv = {"/nonexistent/engine"};
  std::string error;
  EXPECT_FALSE(RunEngine(call, error));
  EXPECT_NE(error.find("engine"), std::string::npos) << error;
}

TEST(RunEngine, TimeoutKillsTheWholeProcessGroup) {
  const std::string pidFile = TestDirectory() + "/child.pid";
  EngineCall call;
  // A helper in the background outlives its parent unless the group is killed.
  call.argv = {"/bin/sh", "-c", "sleep 60 & echo $! > '" + pidFile + "'; sleep 60"};
  call.timeout = std::chrono::seconds(1);
  std::string error;
  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(RunEngine(call, error));
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
  EXPECT_NE(error.find("did not finish within 1 seconds"), std::string::npos) << error;
  const int child = std::atoi(ReadFile(pidFile).c_str());
  ASSERT_GT(child, 0);
  EXPECT_NE(::kill(child, 0), 0) << "helper " << child << " is still running";
}

TEST(CopyEngineResult, CopiesAndRefusesMissingOrEmptyResults) {
  const std::string directory = TestDirectory();
  std::ofstream(directory + "/result") << "engine output";
  std::ofstream(directory + "/empty").flush();
  std::string error;
  ASSERT_TRUE(CopyEngineResult(directory + "/result", directory + "/copy", error)) << error;
  EXPECT_EQ(ReadFile(directory + "/copy"), "engine output");
  EXPECT_FALSE(CopyEngineResult(directory + "/missing", directory + "/copy", error));
  EXPECT_EQ(error, "the engine wrote no file " + directory + "/missing");
  EXPECT_FALSE(CopyEngineResult(directory + "/empty", directory + "/copy", error));
  EXPECT_EQ(error, "the engine wrote an empty file " + directory + "/empty");
  EXPECT_FALSE(CopyEngineResult(directory + "/result", directory + "/no/such/copy", error));
  EXPECT_NE(error.find("no/such/copy"), std::string::npos) << error;
}

}  // namespace
}  // namespace zembra::exporter
