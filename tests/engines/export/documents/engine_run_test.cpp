#include "engines/export/documents/engine_run.h"

#include <gtest/gtest.h>
#include <signal.h>

#include <algorithm>
#include <chrono>
#include <fstream>

#include "tests/engines/export/documents/test_pdfs.h"

namespace zembra::exporter {
namespace {

using testing::Exists;
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

TEST(RunEngine, StandardOutputThatCannotBeWrittenFailsTheRun) {
  // pdftops and pdftotext exit with 0 after "No space left on device": their
  // output comes through a pipe and is written here, where a failure counts.
  EngineCall call;
  call.argv = {"/bin/sh", "-c", "head -c 4000000 /dev/zero; exit 0"};
  call.standardOutput = "/dev/full";
  std::string error;
  EXPECT_FALSE(RunEngine(call, error));
  EXPECT_EQ(error, "cannot write /dev/full: No space left on device");
}

TEST(RunEngine, StandardOutputArrivesWholeWhateverItsSize) {
  const std::string out = TestDirectory() + "/big.txt";
  EngineCall call;
  // More than a pipe holds, in many writes, with a last line after a pause.
  call.argv = {"/bin/sh", "-c", "seq 1 300000; sleep 0.2; echo last"};
  call.standardOutput = out;
  std::string error;
  ASSERT_TRUE(RunEngine(call, error)) << error;
  const std::string text = ReadFile(out);
  EXPECT_EQ(text.substr(0, 4), "1\n2\n");
  EXPECT_EQ(text.substr(text.size() - 19), "299999\n300000\nlast\n");
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 300001);
}

TEST(RunEngine, AHelperHoldingTheOutputOpenDoesNotHoldTheRun) {
  // The engine ends; a helper it started in the background keeps its standard
  // output open. What the engine wrote is kept, and the helper is ended.
  const std::string out = TestDirectory() + "/held.txt";
  const std::string pidFile = TestDirectory() + "/holder.pid";
  EngineCall call;
  call.argv = {"/bin/sh", "-c", "echo result; sleep 60 & echo $! > '" + pidFile + "'; exit 0"};
  call.standardOutput = out;
  call.timeout = std::chrono::seconds(30);
  std::string error;
  const auto start = std::chrono::steady_clock::now();
  ASSERT_TRUE(RunEngine(call, error)) << error;
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20)) << "waited for the helper";
  EXPECT_EQ(ReadFile(out), "result\n");
  const int helper = std::atoi(ReadFile(pidFile).c_str());
  ASSERT_GT(helper, 0);
  EXPECT_NE(::kill(helper, 0), 0) << "helper " << helper << " is still running";
}

TEST(RunEngine, AFailureStatusWinsOverWhatWasWritten) {
  const std::string out = TestDirectory() + "/partial.txt";
  EngineCall call;
  call.argv = {"/bin/sh", "-c", "echo part; echo 'Error: broken input' >&2; exit 2"};
  call.standardOutput = out;
  std::string error;
  EXPECT_FALSE(RunEngine(call, error));
  EXPECT_EQ(error, "sh failed (exit status 2): Error: broken input");
}

TEST(CopyEngineResult, RefusesAResultCutShort) {
  const std::string directory = TestDirectory();
  // PostScript that stops before its end mark, as pdftops leaves it on a full disk.
  zembra::testing::WriteFile(directory + "/cut.ps", "%!PS-Adobe-3.0\n%%Pages: 1\n%%Page: 1 1\nshowpage\n");
  std::string error;
  EXPECT_FALSE(CopyEngineResult(directory + "/cut.ps", directory + "/copy.ps", error));
  EXPECT_EQ(error.rfind("the ps file the engine wrote is incomplete", 0), 0u) << error;
  EXPECT_FALSE(Exists(directory + "/copy.ps"));
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
