#include "engines/render/pdf_finish/copies.h"

#include <gtest/gtest.h>

#include <set>

#include "engines/render/pdf_finish/pdf_document.h"
#include "tests/engines/render/pdf_finish/pdf_fixtures.h"
#include "tests/support/engine_check.h"

namespace zembra::render::finish {
namespace {

using testing::MakeNumberedPdf;

struct CopiesCase {
  int copies;
  bool collate;
  std::vector<int> order;  // page numbers in the output
};

class CopiesOrder : public ::testing::TestWithParam<CopiesCase> {};

TEST_P(CopiesOrder, PagesComeInTheExpectedOrder) {
  ZEMBRA_REQUIRE_PROGRAM("pdftotext");
  const CopiesCase& c = GetParam();
  const std::string dir = testing::ScratchDir();
  MakeNumberedPdf(dir + "/in.pdf", 3);
  std::string error;
  auto document = PdfDocument::Open(dir + "/in.pdf", error);
  ASSERT_TRUE(document) << error;
  ASSERT_EQ(MakeCopies(document->qpdf(), c.copies, c.collate), "");
  ASSERT_TRUE(document->Write(dir + "/out.pdf", {}, error)) << error;

  const auto texts = testing::PageTexts(dir + "/out.pdf");
  ASSERT_EQ(texts.size(), c.order.size());
  for (size_t i = 0; i < texts.size(); ++i)
    EXPECT_NE(texts[i].find("Page" + std::to_string(c.order[i])), std::string::npos) << "output page " << i + 1;
  std::string details;
  EXPECT_TRUE(testing::QpdfCheckClean(dir + "/out.pdf", &details)) << details;
}

INSTANTIATE_TEST_SUITE_P(
    Copies, CopiesOrder,
    ::testing::Values(CopiesCase{1, false, {1, 2, 3}}, CopiesCase{1, true, {1, 2, 3}},
                      CopiesCase{2, true, {1, 2, 3, 1, 2, 3}}, CopiesCase{2, false, {1, 1, 2, 2, 3, 3}},
                      CopiesCase{3, false, {1, 1, 1, 2, 2, 2, 3, 3, 3}},
                      CopiesCase{3, true, {1, 2, 3, 1, 2, 3, 1, 2, 3}}));

TEST(Copies, RejectsCountsOutOfRange) {
  const std::string dir = testing::ScratchDir();
  MakeNumberedPdf(dir + "/in.pdf", 1);
  std::string error;
  auto document = PdfDocument::Open(dir + "/in.pdf", error);
  ASSERT_TRUE(document) << error;
  EXPECT_NE(MakeCopies(document->qpdf(), 0, false).find("--copies"), std::string::npos);
  EXPECT_NE(MakeCopies(document->qpdf(), kMaxCopies + 1, true).find("--copies"), std::string::npos);
  EXPECT_EQ(document->qpdf().getAllPages().size(), 1u);
}

TEST(Copies, EveryCopyHasItsOwnLinkAnnotations) {
  const std::string dir = testing::ScratchDir();
  testing::MakePdf(dir + "/in.pdf", {{"One", {{72, 300, 100, 20, "https://example.com/", 0}}, false, 0},
                                     {"Two", {{72, 300, 100, 20, "", 1}}, false, 0}});
  std::string error;
  auto document = PdfDocument::Open(dir + "/in.pdf", error);
  ASSERT_TRUE(document) << error;
  ASSERT_EQ(MakeCopies(document->qpdf(), 2, true), "");
  ASSERT_TRUE(document->Write(dir + "/out.pdf", {}, error)) << error;

  auto out = testing::Open(dir + "/out.pdf");
  ASSERT_TRUE(out);
  std::set<QPDFObjGen> seen;
  for (int page = 0; page < 4; ++page) {
    auto annotations = testing::Annotations(*out, page);
    ASSERT_EQ(annotations.size(), 1u) << "page " << page + 1;
    EXPECT_TRUE(seen.insert(annotations[0].getObjGen()).second) << "annotation shared on page " << page + 1;
  }
  std::string details;
  EXPECT_TRUE(testing::QpdfCheckClean(dir + "/out.pdf", &details)) << details;
}

}  // namespace
}  // namespace zembra::render::finish
