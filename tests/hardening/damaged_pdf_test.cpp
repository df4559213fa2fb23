// The toolbox and the converter on damaged or extreme PDFs: each run ends in
// time with a result or one clear error, within bounded memory, and leaves
// no partial file.
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/support/engine_check.h"
#include "tests/support/run_checks.h"
#include "tests/support/pdf_samples.h"

namespace zembra::testing {
namespace {

constexpr long kMemoryLimitKb = 1536L * 1024;

class DamagedPdf : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    directory_ = MakeTempDirectory("zembra-damaged");
    const std::string sound = SamplePdf(3);
    WriteFile(directory_ + "/sound.pdf", sound);
    WriteFile(directory_ + "/truncated.pdf", sound.substr(0, sound.size() * 6 / 10));
    WriteFile(directory_ + "/broken-xref.pdf", SamplePdfWithBrokenXref());
    WriteFile(directory_ + "/no-pages.pdf", SamplePdfWithoutPages());
    WriteFile(directory_ + "/huge-page.pdf", SamplePdf(1, 14400, 14400));  // 200 x 200 inches
    WriteFile(directory_ + "/many-pages.pdf", SamplePdf(10000));
    WriteFile(directory_ + "/not-a-pdf.pdf", "<html>not a PDF</html>\n");
    WriteFile(directory_ + "/empty.pdf", "");
    RunProgram({"/usr/bin/qpdf", "--encrypt", "user", "owner", "256", "--", directory_ + "/sound.pdf",
                directory_ + "/encrypted.pdf"});
  }
  static void TearDownTestSuite() { RemoveDirectory(directory_); }

  void SetUp() override {
    ZEMBRA_REQUIRE_PROGRAM("/usr/bin/qpdf");
    const std::vector<std::string> names = FilesIn(directory_);
    inputs_ = std::set<std::string>(names.begin(), names.end());
  }

  // Runs the tool in the sample directory and checks what it leaves there.
  ProgramResult Check(const std::vector<std::string>& argv, const std::string& output, const std::string& what) {
    const ProgramResult result = RunProgram(argv, directory_, {}, 180);
    ExpectCleanOutcome(result, what);
    EXPECT_LT(result.maxRssKb, kMemoryLimitKb) << what;
    std::set<std::string> allowed = inputs_;
    if (result.exitCode == 0) {
      for (const std::string& name : FilesIn(directory_))
        if (name.rfind(output.substr(0, output.rfind('.')), 0) == 0) allowed.insert(name);  // output and its series
    } else {
      EXPECT_FALSE(FileExists(directory_ + "/" + output)) << what;
    }
    ExpectOnlyFiles(directory_, allowed, what);
    for (const std::string& name : FilesIn(directory_))
      if (!inputs_.count(name)) std::filesystem::remove(directory_ + "/" + name);
    return result;
  }

  static std::string directory_;
  std::set<std::string> inputs_;
};

std::string DamagedPdf::directory_;

struct DamagedCase {
  const char* input;
  int toolboxExit;    // -1: 0 or 1 are both fine
  int converterExit;
};

const DamagedCase kCases[] = {
    {"sound.pdf", 0, 0},          {"truncated.pdf", -1, -1}, {"broken-xref.pdf", 0, 0},
    {"no-pages.pdf", -1, 1},      {"not-a-pdf.pdf", 1, 1},   {"empty.pdf", 1, 1},
    {"encrypted.pdf", 1, 1},      {"huge-page.pdf", 0, -1},
};

TEST_F(DamagedPdf, ToolboxEndsCleanly) {
  ZEMBRA_REQUIRE_PROGRAM(BuiltProgram("zemkit.lib"));
  for (const DamagedCase& c : kCases) {
    const ProgramResult result =
        Check({BuiltProgram("zemkit.lib"), c.input, "-pack", "-outfile", "out.pdf"}, "out.pdf", std::string("zemkit ") + c.input);
    if (c.toolboxExit >= 0) {
      EXPECT_EQ(result.exitCode, c.toolboxExit) << c.input << "\n" << result.errorOutput;
    }
  }
}

TEST_F(DamagedPdf, ConverterEndsCleanly) {
  ZEMBRA_REQUIRE_PROGRAM(BuiltProgram("zemexport.lib"));
  for (const DamagedCase& c : kCases) {
    for (const char* output : {"out.png", "out.txt"}) {
      const ProgramResult result = Check({BuiltProgram("zemexport.lib"), "-call", c.input, output}, output,
                                         std::string("zemexport ") + c.input + " " + output);
      if (c.converterExit >= 0) {
        EXPECT_EQ(result.exitCode, c.converterExit) << c.input << "\n" << result.errorOutput;
      }
    }
  }
}

TEST_F(DamagedPdf, WrongPasswordIsOneClearError) {
  ZEMBRA_REQUIRE_PROGRAM(BuiltProgram("zemkit.lib"));
  ZEMBRA_REQUIRE_PROGRAM(BuiltProgram("zemexport.lib"));
  auto kit = Check({BuiltProgram("zemkit.lib"), "encrypted.pdf", "-inputpassword", "wrong", "-outfile", "out.pdf"}, "out.pdf",
                   "zemkit wrong password");
  EXPECT_EQ(kit.exitCode, 1);
  auto exporter = Check({BuiltProgram("zemexport.lib"), "-call", "-upw", "wrong", "encrypted.pdf", "out.png"}, "out.png",
                        "zemexport wrong password");
  EXPECT_EQ(exporter.exitCode, 1);
  auto right = Check({BuiltProgram("zemexport.lib"), "-call", "-upw", "user", "-f", "1", "-l", "1", "encrypted.pdf", "ok.png"},
                     "ok.png", "zemexport right password");
  EXPECT_EQ(right.exitCode, 0) << right.errorOutput;
}

TEST_F(DamagedPdf, TenThousandPagesStayWithinMemory) {
  ZEMBRA_REQUIRE_PROGRAM(BuiltProgram("zemkit.lib"));
  ZEMBRA_REQUIRE_PROGRAM(BuiltProgram("zemexport.lib"));
  EXPECT_EQ(Check({BuiltProgram("zemkit.lib"), "many-pages.pdf", "-pack", "-outfile", "out.pdf"}, "out.pdf", "zemkit many")
                .exitCode,
            0);
  EXPECT_EQ(Check({BuiltProgram("zemexport.lib"), "-call", "many-pages.pdf", "out.txt"}, "out.txt", "zemexport text").exitCode,
            0);
  EXPECT_EQ(Check({BuiltProgram("zemexport.lib"), "-call", "-f", "9999", "many-pages.pdf", "out.png"}, "out.png",
                  "zemexport last pages")
                .exitCode,
            0);
}

}  // namespace
}  // namespace zembra::testing
