#include "engines/toolbox/document_info.h"

#include <gtest/gtest.h>

#include "tests/support/qpdf_samples.h"
#include "tests/support/scratch_test.h"

namespace zembra::toolbox {
namespace {

using testing::ProgramResult;
using testing::ToolboxTest;

std::string PdfInfoLine(const std::string& pdf, const std::string& key) {
  const ProgramResult info = testing::RunProgram({"pdfinfo", "-enc", "UTF-8", pdf});
  const size_t at = info.output.find(key + ":");
  if (at == std::string::npos) return "";
  size_t start = at + key.size() + 1;
  while (start < info.output.size() && info.output[start] == ' ') ++start;
  return info.output.substr(start, info.output.find('\n', start) - start);
}

TEST_F(ToolboxTest, GetInfoPrintsKeyValueLines) {
  testing::MakeTextPdf(Path("in.pdf"), {"Page"});
  const ProgramResult run = Toolbox({Path("in.pdf"), "-getinfo", "-outfile", Path("out.pdf")});
  ASSERT_EQ(run.exitCode, 0) << run.errorOutput;
  EXPECT_EQ(run.output, "Author=Zembra tests\nTitle=Test document\n");
}

TEST_F(ToolboxTest, SetInfoUtf8ThenShowInfoAndGetInfo) {
  testing::MakeTextPdf(Path("in.pdf"), {"Page"});
  const std::string lines = "Title=Caf\xC3\xA9 \xE2\x98\x95\r\nAuthor=\nSubject = Tests\n\nbroken line\nBad Key=x\n";
  const ProgramResult run = Toolbox({Path("in.pdf"), "-setinfoutf8", "-getinfoutf8", "-getinfo", "-outfile",
                                     Path("out.pdf"), "-showinfo", "Title"},
                                    lines);
  ASSERT_EQ(run.exitCode, 0) << run.errorOutput;
  // getinfoutf8, then getinfo in Latin-1, then the one item.
  EXPECT_EQ(run.output,
            "Subject=Tests\nTitle=Caf\xC3\xA9 \xE2\x98\x95\n"
            "Subject=Tests\nTitle=Caf\xE9 ?\n"
            "Caf\xC3\xA9 \xE2\x98\x95\n");
  EXPECT_NE(run.errorOutput.find("line 5"), std::string::npos) << run.errorOutput;
  EXPECT_NE(run.errorOutput.find("line 6"), std::string::npos) << run.errorOutput;
  // Written into the file, as poppler reads it.
  EXPECT_EQ(PdfInfoLine(Path("out.pdf"), "Title"), "Caf\xC3\xA9 \xE2\x98\x95");
  EXPECT_EQ(PdfInfoLine(Path("out.pdf"), "Subject"), "Tests");
  EXPECT_EQ(PdfInfoLine(Path("out.pdf"), "Author"), "");
}

TEST_F(ToolboxTest, SetInfoReadsLatin1) {
  testing::MakeTextPdf(Path("in.pdf"), {"Page"});
  const ProgramResult run = Toolbox({Path("in.pdf"), "-SETINFO", "-outfile", Path("out.pdf")}, "Keywords=na\xEFve\n");
  ASSERT_EQ(run.exitCode, 0) << run.errorOutput;
  EXPECT_EQ(PdfInfoLine(Path("out.pdf"), "Keywords"), "na\xC3\xAFve");
}

TEST_F(ToolboxTest, ShowInfoOfAMissingKeyWarnsAndPrintsNothing) {
  testing::MakeTextPdf(Path("in.pdf"), {"Page"});
  const ProgramResult run = Toolbox({Path("in.pdf"), "-outfile", Path("out.pdf"), "-showinfo", "Creator"});
  ASSERT_EQ(run.exitCode, 0) << run.errorOutput;
  EXPECT_EQ(run.output, "");
  EXPECT_NE(run.errorOutput.find("no Creator"), std::string::npos) << run.errorOutput;
}

TEST_F(ToolboxTest, SilentKeepsPrintedInformationButNoWarnings) {
  testing::MakeTextPdf(Path("in.pdf"), {"Page"});
  const ProgramResult run =
      Toolbox({Path("in.pdf"), "-outfile", Path("out.pdf"), "-showinfo", "Creator", "-showinfo", "Title", "-silent"});
  ASSERT_EQ(run.exitCode, 0);
  EXPECT_EQ(run.output, "Test document\n");
  EXPECT_EQ(run.errorOutput, "");
}

TEST(ToolboxFormatInfo, KeepsEveryEntryOnOneLine) {
  EXPECT_EQ(FormatInfo({{"Title", "two\nlines"}, {"Author", "\xC3\xA9"}}, false), "Title=two lines\nAuthor=\xE9\n");
}

}  // namespace
}  // namespace zembra::toolbox
