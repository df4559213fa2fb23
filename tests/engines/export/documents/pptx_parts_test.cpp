#include "engines/export/documents/pptx_parts.h"

#include <gtest/gtest.h>

#include <cmath>

namespace zembra::exporter {
namespace {

constexpr long kInch = 914400;

TEST(SlideSizeFor, ThePageSizeWithinWhatPresentationsAccept) {
  struct Case {
    double width, height;  // points
    long cx, cy;           // EMU
  };
  const Case cases[] = {
      {612, 792, 7772400, 10058400},              // US Letter as it is
      {4032, 4032, 56 * kInch, 56 * kInch},       // 56 inches: the largest as it is
      {14400, 14400, 56 * kInch, 56 * kInch},     // 200 x 200 inches, scaled down
      {14400, 4800, 56 * kInch, 56 * kInch / 3},  // scaled down proportionally
      {36, 36, kInch, kInch},                     // half an inch: an inch
      {10, 5000, kInch, 56 * kInch},              // a narrow strip, its length scaled
      {0, 0, kInch, kInch},                       // nothing to measure
  };
  for (const Case& c : cases) {
    const SlideSize size = SlideSizeFor(c.width, c.height);
    EXPECT_NEAR(size.cx, c.cx, 1) << c.width << " x " << c.height;
    EXPECT_NEAR(size.cy, c.cy, 1) << c.width << " x " << c.height;
  }
}

TEST(PlacePage, FitsAndCentresAPageOfAnotherShape) {
  const SlideSize slide = SlideSizeFor(612, 792);
  const Placement same = PlacePage(slide, 612, 792);
  EXPECT_EQ(same.offsetX, 0);
  EXPECT_EQ(same.offsetY, 0);
  EXPECT_EQ(same.cx, slide.cx);
  EXPECT_DOUBLE_EQ(same.scale, kEmuPerPoint);
  const Placement landscape = PlacePage(slide, 792, 612);
  EXPECT_EQ(landscape.cx, slide.cx);
  EXPECT_LT(landscape.cy, slide.cy);
  EXPECT_EQ(landscape.offsetX, 0);
  EXPECT_EQ(landscape.offsetY, (slide.cy - landscape.cy) / 2);
  // A huge page is shrunk to the slide as a whole.
  const Placement huge = PlacePage(SlideSizeFor(14400, 14400), 14400, 14400);
  EXPECT_NEAR(huge.scale, kEmuPerPoint * 56 / 200, 0.01);
  EXPECT_EQ(huge.offsetX, 0);
  // A strip narrower than an inch keeps its shape in the middle.
  const Placement strip = PlacePage(SlideSizeFor(10, 5000), 10, 5000);
  EXPECT_NEAR(static_cast<double>(strip.cx) / static_cast<double>(strip.cy), 10.0 / 5000, 1e-4);
  EXPECT_EQ(strip.offsetX, (kInch - strip.cx) / 2);
}

TEST(PresentationParts, EverySlideIsListedAndRelated) {
  const std::string types = ContentTypesXml(3);
  EXPECT_NE(types.find("/ppt/slides/slide3.xml"), std::string::npos);
  EXPECT_EQ(types.find("/ppt/slides/slide4.xml"), std::string::npos);
  EXPECT_NE(types.find("<Default Extension=\"png\" ContentType=\"image/png\"/>"), std::string::npos);
  const std::string presentation = PresentationXml(2, SlideSizeFor(612, 792));
  EXPECT_NE(presentation.find("<p:sldId id=\"257\" r:id=\"rId11\"/>"), std::string::npos);
  EXPECT_NE(presentation.find("<p:sldSz cx=\"7772400\" cy=\"10058400\"/>"), std::string::npos);
  EXPECT_NE(
      PresentationRelationshipsXml(2).find("Id=\"rId11\" Type=\"http://schemas.openxmlformats.org/"
                                           "officeDocument/2006/relationships/slide\" Target=\"slides/slide2.xml\""),
      std::string::npos);
}

TEST(RelationshipXml, EscapesTheTargetAndMarksExternalOnes) {
  EXPECT_EQ(RelationshipXml("rId4", "hyperlink", "https://example.org/?a=1&b=\"2\"", true),
            "<Relationship Id=\"rId4\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/"
            "hyperlink\" Target=\"https://example.org/?a=1&amp;b=&quot;2&quot;\" TargetMode=\"External\"/>");
  EXPECT_EQ(RelationshipXml("rId2", "image", "../media/a.png").find("TargetMode"), std::string::npos);
  const std::string part = RelationshipsXml(RelationshipXml("rId1", "image", "x.png"));
  EXPECT_EQ(part.rfind(kXmlHead, 0), 0u);
  EXPECT_NE(part.find("<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
                      "<Relationship Id=\"rId1\""),
            std::string::npos);
  EXPECT_EQ(part.substr(part.size() - 16), "</Relationships>");
}

}  // namespace
}  // namespace zembra::exporter
