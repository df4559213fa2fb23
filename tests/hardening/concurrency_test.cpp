// Several conversions at once: different outputs all succeed; the same
// output twice leaves one whole result and no stray file.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <thread>

#include "tests/support/engine_check.h"
#include "tests/support/run_checks.h"

namespace zembra::testing {
namespace {

class Concurrency : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* tool : {"zemconv", "zemrender.lib", "zemkit.lib", "zemexport.lib"}) ZEMBRA_REQUIRE_PROGRAM(BuiltProgram(tool));
    directory_ = MakeTempDirectory("zembra-concurrent");
    page_ = std::string(ZEMBRA_SOURCE_DIR) + "/examples/invoice.html";
  }
  void TearDown() override { RemoveDirectory(directory_); }

  // Runs the argument lists at the same time; results in the same order.
  std::vector<ProgramResult> RunTogether(const std::vector<std::vector<std::string>>& runs) {
    std::vector<ProgramResult> results(runs.size());
    std::vector<std::thread> threads;
    for (size_t i = 0; i < runs.size(); ++i) {
      threads.emplace_back([&, i] {
        std::vector<std::string> argv = {BuiltProgram("zemconv")};
        argv.insert(argv.end(), runs[i].begin(), runs[i].end());
        results[i] = RunProgram(argv, directory_, {}, 300);
      });
    }
    for (std::thread& thread : threads) thread.join();
    return results;
  }

  std::string directory_, page_;
};

TEST_F(Concurrency, EightDifferentOutputsAllSucceed) {
  const std::vector<std::string> outputs = {"a.pdf", "b.pdf", "c.png", "d.txt", "e.jpg", "f.ps", "g.pdf", "h.bmp"};
  std::vector<std::vector<std::string>> runs;
  for (const std::string& output : outputs) {
    if (output == "b.pdf") {
      runs.push_back({"-ownerpassword", "o", "-userpassword", "u", page_, output});
    } else {
      runs.push_back({page_, output});
    }
  }
  const auto results = RunTogether(runs);
  for (size_t i = 0; i < results.size(); ++i) {
    EXPECT_EQ(results[i].output, page_ + "==>" + outputs[i] + "\nresult=OK\n") << results[i].errorOutput;
    EXPECT_EQ(results[i].exitCode, 0);
  }
  ExpectOnlyFiles(directory_, std::set<std::string>(outputs.begin(), outputs.end()), "eight at once");
}

TEST_F(Concurrency, SameOutputTwiceLeavesOneWholeResult) {
  for (const char* output : {"same.pdf", "same.png"}) {
    const auto results = RunTogether({{page_, output}, {page_, output}});
    int succeeded = 0;
    for (const ProgramResult& result : results) {
      // zemconv gives its verdict on standard output, never on standard error.
      EXPECT_FALSE(result.timedOut) << output;
      if (result.exitCode != 0) {
        EXPECT_EQ(result.output, "The output file exists. Please try again.\n") << output;
      }
      succeeded += result.exitCode == 0;
    }
    EXPECT_EQ(succeeded, 1) << output;
    ExpectOnlyFiles(directory_, {"same.pdf", "same.png"}, output);
    const std::string path = directory_ + "/" + output;
    ASSERT_TRUE(FileExists(path)) << output;
    const ProgramResult check = std::string(output).ends_with(".pdf")
                                    ? RunProgram({"/usr/bin/qpdf", "--check", path})
                                    : RunProgram({"/usr/bin/identify", path});
    EXPECT_EQ(check.exitCode, 0) << check.output << check.errorOutput;
  }
}

TEST_F(Concurrency, ManyRunsToOneOutputOnlyOneSaysOk) {
  // The others did not write the file: they must not report it as theirs.
  for (const char* output : {"many.pdf", "many.png"}) {
    const std::vector<std::vector<std::string>> runs(8, std::vector<std::string>{page_, output});
    const auto results = RunTogether(runs);
    int succeeded = 0;
    for (const ProgramResult& result : results) {
      if (result.exitCode == 0) {
        ++succeeded;
        EXPECT_EQ(result.output, page_ + "==>" + output + "\nresult=OK\n");
      } else {
        EXPECT_EQ(result.output, "The output file exists. Please try again.\n") << output;
        EXPECT_EQ(result.exitCode, 1);
      }
    }
    EXPECT_EQ(succeeded, 1) << output;
  }
  ExpectOnlyFiles(directory_, {"many.pdf", "many.png"}, "many at once");
  EXPECT_EQ(RunProgram({"/usr/bin/qpdf", "--check", directory_ + "/many.pdf"}).exitCode, 0);
  EXPECT_EQ(RunProgram({"/usr/bin/identify", directory_ + "/many.png"}).exitCode, 0);
}

}  // namespace
}  // namespace zembra::testing
