#include "engines/export/documents/pdf_split.h"

#include <gtest/gtest.h>

#include "tests/engines/export/documents/test_pdfs.h"
#include "tests/support/engine_check.h"

namespace zembra::exporter {
namespace {

using testing::Capture;
using testing::Job;
using testing::TestDirectory;

TEST(SplitPages, OneOpenPdfPerSelectedPage) {
  ZEMBRA_REQUIRE_PROGRAM("qpdf");
  const std::string directory = TestDirectory();
  const std::string locked = directory + "/locked.pdf";
  testing::MakeEncryptedPdf(locked);
  ExportOptions job = Job(locked, directory + "/out.emf");
  job.userPassword = "user";
  std::vector<std::string> files;
  std::string error;
  ASSERT_TRUE(SplitPages(job, PageSpan{2, 3}, directory, false, files, error)) << error;
  ASSERT_EQ(files, (std::vector<std::string>{directory + "/page2.pdf", directory + "/page3.pdf"}));
  for (size_t i = 0; i < files.size(); ++i) {
    EXPECT_EQ(Capture("qpdf --show-npages '" + files[i] + "'"), "1\n");
    int status = 0;
    Capture("qpdf --is-encrypted '" + files[i] + "'", &status);
    EXPECT_NE(status, 0) << files[i] << " is still encrypted";
    EXPECT_NE(Capture("pdftotext '" + files[i] + "' -").find(i == 0 ? "Second page text" : "Third page text"),
              std::string::npos);
  }
}

TEST(SplitPages, PaintedPaperAddsRoomBelowAndKeepsThePage) {
  ZEMBRA_REQUIRE_PROGRAM("qpdf");
  const std::string directory = TestDirectory();
  const std::string pdf = directory + "/shapes.pdf";
  testing::MakeShapesPdf(pdf);
  std::vector<std::string> files;
  std::string error;
  ASSERT_TRUE(SplitPages(Job(pdf, directory + "/o.wmf"), PageSpan{1, 1}, directory, true, files, error)) << error;
  ASSERT_EQ(files.size(), 1u);
  EXPECT_NE(Capture("pdfinfo '" + files[0] + "'").find("612 x 820.35 pts"), std::string::npos);
  // The visible page is painted white beneath the drawing.
  const std::string content = Capture("qpdf --qdf --object-streams=disable '" + files[0] + "' - | grep -a ' re f'");
  const size_t paper = content.find("1 g 0 0 612 792 re f");
  ASSERT_NE(paper, std::string::npos) << content;
  EXPECT_LT(paper, content.find("100 372 200 120 re f"));
}

TEST(SplitPages, AWrongPasswordIsAnError) {
  ZEMBRA_REQUIRE_PROGRAM("qpdf");
  const std::string directory = TestDirectory();
  const std::string locked = directory + "/locked.pdf";
  testing::MakeEncryptedPdf(locked);
  ExportOptions job = Job(locked, directory + "/out.emf");
  job.ownerPassword = "wrong";
  std::vector<std::string> files;
  std::string error;
  EXPECT_FALSE(SplitPages(job, PageSpan{1, 1}, directory, false, files, error));
  EXPECT_NE(error.find("locked.pdf"), std::string::npos) << error;
  EXPECT_TRUE(files.empty());
}

}  // namespace
}  // namespace zembra::exporter
