#include "engines/render/pdf_finish/crop_box.h"

#include <gtest/gtest.h>

#include "engines/render/pdf_finish/pdf_document.h"
#include "tests/engines/render/pdf_finish/pdf_fixtures.h"

namespace zembra::render::finish {
namespace {

struct CropCase {
  CropPixels crop;
  QPDFObjectHandle::Rectangle expected;  // on a 600 x 800 point page
};

class CropBoxTest : public ::testing::TestWithParam<CropCase> {};

TEST_P(CropBoxTest, EveryPageGetsTheCropBox) {
  const std::string dir = testing::ScratchDir();
  testing::MakePdf(dir + "/in.pdf", {{"One", {}, false, 0}, {"Two", {}, false, 0}}, 600, 800);
  std::string error;
  auto document = PdfDocument::Open(dir + "/in.pdf", error);
  ASSERT_TRUE(document) << error;
  ASSERT_EQ(ApplyCropBox(document->qpdf(), GetParam().crop), "");
  ASSERT_TRUE(document->Write(dir + "/out.pdf", {}, error)) << error;

  auto out = testing::Open(dir + "/out.pdf");
  ASSERT_TRUE(out);
  const auto& e = GetParam().expected;
  for (QPDFObjectHandle page : out->getAllPages()) {
    auto box = page.getKey("/CropBox");
    ASSERT_TRUE(box.isRectangle());
    auto r = box.getArrayAsRectangle();
    EXPECT_NEAR(r.llx, e.llx, 0.01);
    EXPECT_NEAR(r.lly, e.lly, 0.01);
    EXPECT_NEAR(r.urx, e.urx, 0.01);
    EXPECT_NEAR(r.ury, e.ury, 0.01);
  }
  // poppler sees the cropped size.
  const std::string info = testing::Capture("pdfinfo '" + dir + "/out.pdf'");
  char expectedSize[64];
  std::snprintf(expectedSize, sizeof expectedSize, "%g x %g pts", e.urx - e.llx, e.ury - e.lly);
  EXPECT_NE(info.find(expectedSize), std::string::npos) << info;
}

// 96 pixels are 72 points; y counts down from the top edge (800).
INSTANTIATE_TEST_SUITE_P(
    Crop, CropBoxTest,
    ::testing::Values(CropCase{{0, 0, 96, 96}, {0, 728, 72, 800}},
                      CropCase{{96, 192, 400, 200}, {72, 506, 372, 656}},
                      CropCase{{100, 100, 0, 0}, {75, 0, 600, 725}},            // 0: to the far edges
                      CropCase{{400, 0, 5000, 5000}, {300, 0, 600, 800}}));    // clipped to the page

TEST(CropBox, RejectsNegativeAndOutsideAreas) {
  const std::string dir = testing::ScratchDir();
  testing::MakePdf(dir + "/in.pdf", {{"One", {}, false, 0}}, 600, 800);
  std::string error;
  auto document = PdfDocument::Open(dir + "/in.pdf", error);
  ASSERT_TRUE(document) << error;
  EXPECT_NE(ApplyCropBox(document->qpdf(), {-1, 0, 10, 10}), "");
  EXPECT_NE(ApplyCropBox(document->qpdf(), {900, 0, 10, 10}).find("outside"), std::string::npos);
}

}  // namespace
}  // namespace zembra::render::finish
