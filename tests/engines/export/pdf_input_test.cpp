#include "engines/export/pdf_input.h"

#include <gtest/gtest.h>
#include <poppler/PDFDoc.h>

#include <fstream>

#include "tests/engines/export/test_pdfs.h"
#include "tests/support/engine_check.h"

namespace zembra::exporter {
namespace {

using testing::ScratchDirectory;

TEST(SelectPages, ClampsToTheDocument) {
  struct Case {
    std::optional<long> first, last;
    int pages, expectFirst, expectLast;
  };
  for (const Case& c : {Case{{}, {}, 5, 1, 5}, Case{2, 3, 5, 2, 3}, Case{0, 99, 5, 1, 5}, Case{9, {}, 5, 5, 5},
                        Case{{}, 0, 5, 1, 5}, Case{4, 0, 5, 4, 5}, Case{1, 1, 1, 1, 1}}) {
    std::string error;
    const std::optional<PageSpan> span = SelectPages(c.first, c.last, c.pages, error);
    ASSERT_TRUE(span) << error;
    EXPECT_EQ(span->first, c.expectFirst);
    EXPECT_EQ(span->last, c.expectLast);
    EXPECT_EQ(span->count(), c.expectLast - c.expectFirst + 1);
  }
  std::string error;
  EXPECT_FALSE(SelectPages(3, 2, 5, error));
  EXPECT_EQ(error, "the first page (3) comes after the last page (2)");
}

ExportOptions Options(const std::string& input) {
  ExportOptions options;
  options.inputPdf = input;
  options.outputPath = "unused.png";
  return options;
}

TEST(OpenInput, OpensOnceAndSelectsThePages) {
  ScratchDirectory dir;
  testing::WriteQuadrantPdf(dir / "three.pdf", 3);
  ExportOptions options = Options(dir / "three.pdf");
  options.firstPage = 2;
  options.lastPage = 0;
  std::string error;
  const std::optional<OpenedInput> input = OpenInput(options, error);
  ASSERT_TRUE(input) << error;
  EXPECT_EQ(input->pdf->pageCount(), 3);
  EXPECT_EQ(input->pages.first, 2);
  EXPECT_EQ(input->pages.last, 3);
  // The image and the document writers read the same opened document.
  EXPECT_EQ(input->pdf->core().getNumPages(), 3);
}

TEST(OpenInput, SaysWhyAnInputCannotBeUsed) {
  ZEMBRA_REQUIRE_PROGRAM("qpdf");
  ScratchDirectory dir;
  testing::WriteQuadrantPdf(dir / "one.pdf", 1);
  testing::WriteQuadrantPdf(dir / "three.pdf", 3);
  std::ofstream(dir / "text.pdf") << "plain text, no PDF";
  std::ofstream(dir / "broken.pdf") << "%PDF-1.4\nnothing else";
  ASSERT_EQ(testing::Run({"qpdf", "--encrypt", "user", "owner", "256", "--", dir / "one.pdf", dir / "locked.pdf"})
                .exitStatus,
            0);
  struct Case {
    std::string input;
    std::string userPassword;
    std::optional<long> first, last;
    std::string says;
  };
  const Case cases[] = {
      {dir / "missing.pdf", "", {}, {}, "cannot read " + (dir / "missing.pdf") + ": No such file or directory"},
      {dir.path(), "", {}, {}, "cannot read " + dir.path() + ": not a regular file"},
      {dir / "text.pdf", "", {}, {}, (dir / "text.pdf") + " is not a PDF file"},
      {dir / "broken.pdf", "", {}, {}, (dir / "broken.pdf") + " is damaged or not a PDF file that can be read"},
      {dir / "locked.pdf", "", {}, {}, (dir / "locked.pdf") + " is encrypted and no password was given (-upw or -opw)"},
      {dir / "locked.pdf", "guess", {}, {}, (dir / "locked.pdf") + " is encrypted and the password given is wrong"},
      {dir / "three.pdf", "", 3, 2, "the first page (3) comes after the last page (2)"},
  };
  for (const Case& c : cases) {
    ExportOptions options = Options(c.input);
    options.userPassword = c.userPassword;
    options.firstPage = c.first;
    options.lastPage = c.last;
    std::string error;
    EXPECT_FALSE(OpenInput(options, error)) << c.says;
    EXPECT_EQ(error, c.says);
  }
  for (const char* password : {"user", "owner"}) {
    ExportOptions unlocked = Options(dir / "locked.pdf");
    (password == std::string("user") ? unlocked.userPassword : unlocked.ownerPassword) = password;
    std::string error;
    EXPECT_TRUE(OpenInput(unlocked, error)) << password << ": " << error;
  }
}

}  // namespace
}  // namespace zembra::exporter
