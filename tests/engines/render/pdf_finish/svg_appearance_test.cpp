#include "engines/render/pdf_finish/svg_appearance.h"

#include <gtest/gtest.h>

#include <fstream>

#include "tests/engines/render/pdf_finish/pdf_fixtures.h"

namespace zembra::render::finish {
namespace {

TEST(SvgAppearance, RendersAtTheSvgsOwnSize) {
  const std::string dir = testing::ScratchDir();
  std::ofstream(dir + "/box.svg") << "<svg xmlns='http://www.w3.org/2000/svg' width='24' height='12'>"
                                     "<rect width='24' height='12' fill='red'/></svg>";
  ASSERT_EQ(RenderSvgToPdf(dir + "/box.svg", dir + "/box.pdf"), "");
  auto pdf = testing::Open(dir + "/box.pdf");
  ASSERT_TRUE(pdf);
  ASSERT_EQ(pdf->getAllPages().size(), 1u);
  auto box = QPDFObjectHandle(pdf->getAllPages()[0]).getKey("/MediaBox").getArrayAsRectangle();
  EXPECT_NEAR(box.urx - box.llx, 24, 0.01);
  EXPECT_NEAR(box.ury - box.lly, 12, 0.01);
}

TEST(SvgAppearance, FormXObjectIsCopiedIntoTheDocument) {
  const std::string dir = testing::ScratchDir();
  std::ofstream(dir + "/mark.svg") << "<svg xmlns='http://www.w3.org/2000/svg' viewBox='0 0 8 8'>"
                                      "<path d='M1 4 L3 7 L7 1' stroke='black' fill='none'/></svg>";
  testing::MakeNumberedPdf(dir + "/doc.pdf", 1);
  std::string error;
  auto document = PdfDocument::Open(dir + "/doc.pdf", error);
  ASSERT_TRUE(document) << error;
  QPDFObjectHandle form = SvgFormXObject(*document, dir + "/mark.svg", false, error);
  ASSERT_TRUE(form.isStream()) << error;
  EXPECT_EQ(form.getOwningQPDF(), &document->qpdf());
  EXPECT_TRUE(form.getDict().getKey("/Subtype").isNameAndEquals("/Form"));
  auto bbox = form.getDict().getKey("/BBox").getArrayAsRectangle();
  EXPECT_NEAR(bbox.urx - bbox.llx, 8, 0.01);
  EXPECT_FALSE(form.getRawStreamData()->getSize() == 0);
}

TEST(SvgAppearance, BrokenSvgIsAnError) {
  const std::string dir = testing::ScratchDir();
  std::ofstream(dir + "/bad.svg") << "<svg xmlns='http://www.w3.org/2000/svg'><rect";
  EXPECT_NE(RenderSvgToPdf(dir + "/bad.svg", dir + "/bad.pdf").find("bad.svg"), std::string::npos);
  EXPECT_NE(RenderSvgToPdf(dir + "/missing.svg", dir + "/m.pdf"), "");
}

}  // namespace
}  // namespace zembra::render::finish

#include "tests/support/engine_check.h"

namespace zembra::render::finish {
namespace {

TEST(SvgAppearance, GrayscaleDrawingHasNoColourOperators) {
  ZEMBRA_REQUIRE_PROGRAM("gs");
  const std::string dir = testing::ScratchDir();
  std::ofstream(dir + "/red.svg") << "<svg xmlns='http://www.w3.org/2000/svg' width='10' height='10'>"
                                     "<rect width='10' height='10' fill='red'/></svg>";
  testing::MakeNumberedPdf(dir + "/doc.pdf", 1);
  std::string error;
  auto document = PdfDocument::Open(dir + "/doc.pdf", error);
  ASSERT_TRUE(document) << error;
  for (const bool grey : {false, true}) {
    QPDFObjectHandle form = SvgFormXObject(*document, dir + "/red.svg", grey, error);
    ASSERT_TRUE(form.isStream()) << error;
    auto data = form.getStreamData(qpdf_dl_generalized);
    const std::string content(reinterpret_cast<const char*>(data->getBuffer()), data->getSize());
    // cairo draws red with "1 0 0 rg"; grey drawings set "g" instead.
    EXPECT_EQ(content.find(" rg") != std::string::npos, !grey) << content;
  }
}

}  // namespace
}  // namespace zembra::render::finish
