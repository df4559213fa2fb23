// Pages that take all the memory they can get: the renderer stops Chromium
// at its memory limit and fails with one line, leaving no process and no
// file; a normal page fails only under a limit far too low for it.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "tests/support/engine_check.h"
#include "tests/support/pdf_text.h"
#include "tests/support/run_checks.h"

namespace zembra::testing {
namespace {

// A million elements built by a script: Chromium took 8 GB for it before
// the limit was there.
constexpr char kMillionElements[] =
    "<html><body><script>\n"
    "for (let i = 0; i < 1000000; i++) {\n"
    "  const d = document.createElement('div'); d.textContent = 'Element number ' + i; document.body.appendChild(d);\n"
    "}\n"
    "</script></body></html>";

// SVG filters whose forty intermediate results of 16000 x 16000 pixels are all
// kept for the merge at the end: about 2.4 GB within ten seconds.
std::string SvgFilterBomb() {
  std::string filter = "<feFlood flood-color='red' result='r0'/>";
  std::string merge = "<feMerge>";
  for (int i = 1; i <= 80; ++i) {
    filter += "<feOffset in='r" + std::to_string(i - 1) + "' dx='1' dy='1' result='r" + std::to_string(i) + "'/>";
    merge += "<feMergeNode in='r" + std::to_string(i) + "'/>";
  }
  return "<html><body style='margin:0'><svg width='16000' height='16000'><filter id='f' x='0' y='0' width='1' "
         "height='1'>" +
         filter + merge +
         "</feMerge></filter><rect width='16000' height='16000' filter='url(#f)'/></svg></body></html>";
}

class MemoryBombs : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* program : {"zemrender.lib", "zemconv"}) ZEMBRA_REQUIRE_PROGRAM(BuiltProgram(program));
    root_ = MakeTempDirectory("zembra-memory");
    work_ = root_ + "/work";
    tmp_ = root_ + "/tmp";
    std::filesystem::create_directories(work_);
    std::filesystem::create_directories(tmp_);
    report_ = std::string(ZEMBRA_SOURCE_DIR) + "/examples/report.html";
  }
  void TearDown() override { RemoveDirectory(root_); }

  // Runs a program of the build with the words; checks that nothing of the
  // run is left: no process, no temporary file, nothing but the expected output.
  ProgramResult Run(const std::string& program, const std::vector<std::string>& words,
                    const std::set<std::string>& left = {}) {
    const std::string marker = "ZEMBRA_TEST_MARKER=memory" + std::to_string(++runs_) + "_" + std::to_string(::getpid());
    std::vector<std::string> argv = {BuiltProgram(program)};
    argv.insert(argv.end(), words.begin(), words.end());
    const ProgramResult result =
        RunProgram(argv, work_, {marker, "TMPDIR=" + tmp_, "ZEMBRA_LOG=" + root_ + "/log"}, 300);
    if (program == "zemconv") {
      EXPECT_FALSE(result.timedOut);  // it answers on standard output, its siblings' lines go to the log
    } else {
      ExpectCleanOutcome(result, words.back());
    }
    EXPECT_TRUE(WaitFor([&] { return ProcessesMarkedWith(marker) == 0; }, 10)) << words.back() << ": processes left";
    EXPECT_TRUE(FilesIn(tmp_).empty()) << words.back() << ": temporary files left";
    ExpectOnlyFiles(work_, left, words.back());
    return result;
  }

  // The one line of a run stopped at the memory limit.
  void ExpectStoppedAt(const ProgramResult& result, const std::string& page, int limitMb) {
    EXPECT_EQ(result.exitCode, 1) << page;
    const std::string& said = result.errorOutput;
    const std::string line = "zemrender.lib: cannot print " + page + ": the page took more memory than the limit of " +
                             std::to_string(limitMb) + " MB (";
    const size_t at = said.find(line);
    ASSERT_NE(at, std::string::npos) << said;
    EXPECT_NE(said.find(" MB when Chromium was stopped); --memory-limit raises it\n", at), std::string::npos) << said;
    EXPECT_EQ(std::count(said.begin(), said.end(), '\n') - std::count(said.begin(), said.begin() + at, '\n'), 1)
        << "the reason is the last line: " << said;
  }

  std::string root_, work_, tmp_, report_;
  int runs_ = 0;
};

TEST_F(MemoryBombs, BombsAreStoppedAtTheLimitWithOneLine) {
  struct Case {
    const char* name;
    std::string page;
  };
  const Case cases[] = {{"million.html", kMillionElements}, {"filters.html", SvgFilterBomb()}};
  for (const Case& c : cases) {
    const std::string page = root_ + "/" + c.name;
    WriteFile(page, c.page);
    // 1 GiB keeps the test light; the default stops them the same way, later.
    const ProgramResult result = Run("zemrender.lib", {"--memory-limit", "1024", page, "out.pdf"});
    ExpectStoppedAt(result, page, 1024);
  }
}

TEST_F(MemoryBombs, ANormalPageFailsOnlyUnderALimitTooLowForIt) {
  const ProgramResult low = Run("zemrender.lib", {"--memory-limit", "16", report_, "low.pdf"});
  ExpectStoppedAt(low, report_, 16);
  const ProgramResult usual = Run("zemrender.lib", {"--timings", report_, "usual.pdf"}, {"usual.pdf"});
  ASSERT_EQ(usual.exitCode, 0) << usual.errorOutput;
  const std::vector<std::string> pages = PageTexts(work_ + "/usual.pdf");
  ASSERT_FALSE(pages.empty());
  EXPECT_NE(pages[0].find("Quarterly"), std::string::npos) << pages[0];
  // --timings says how much the run held, well under the default limit.
  const size_t note = usual.errorOutput.find("zemrender.lib: memory: at most ");
  ASSERT_NE(note, std::string::npos) << usual.errorOutput;
  const long held = std::atol(usual.errorOutput.c_str() + note + 31);
  EXPECT_GT(held, 16);
  EXPECT_LT(held, 4096);
}

TEST_F(MemoryBombs, TheLimitReachesTheRendererThroughZemconvAsOneArgument) {
  const ProgramResult result = Run("zemconv", {"--memory-limit 16", report_, "out.pdf"});
  EXPECT_EQ(result.output, "Result is failed. No output file is created.\n");
  EXPECT_EQ(result.exitCode, 1);
  const std::string log = ReadFile(root_ + "/log");
  EXPECT_NE(log.find("the page took more memory than the limit of 16 MB"), std::string::npos) << log;
}

}  // namespace
}  // namespace zembra::testing
