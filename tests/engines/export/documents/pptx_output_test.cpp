#include "engines/export/documents/pptx_output.h"

#include <gtest/gtest.h>

#include <memory>

#include "engines/export/documents/pptx_parts.h"
#include "tests/engines/export/documents/test_pdfs.h"
#include "tests/support/engine_check.h"

namespace zembra::exporter {
namespace {

using testing::Capture;
using testing::Convert;
using testing::Job;
using testing::ReadFile;
using testing::TestDirectory;

TEST(SlideSizeFor, PointsToEmuWithinWhatPresentationsAccept) {
  const SlideSize letter = SlideSizeFor(612, 792);
  EXPECT_EQ(letter.cx, 7772400);
  EXPECT_EQ(letter.cy, 10058400);
  const SlideSize tiny = SlideSizeFor(10, 5000);
  EXPECT_EQ(tiny.cx, 914400);
  EXPECT_EQ(tiny.cy, 51206400);
}

TEST(PlacePage, FitsAndCentresAPageOfAnotherShape) {
  const SlideSize slide = SlideSizeFor(612, 792);
  const Placement same = PlacePage(slide, 612, 792);
  EXPECT_EQ(same.offsetX, 0);
  EXPECT_EQ(same.offsetY, 0);
  EXPECT_EQ(same.cx, slide.cx);
  EXPECT_DOUBLE_EQ(same.scale, 12700);
  const Placement landscape = PlacePage(slide, 792, 612);
  EXPECT_EQ(landscape.cx, slide.cx);
  EXPECT_LT(landscape.cy, slide.cy);
  EXPECT_EQ(landscape.offsetX, 0);
  EXPECT_EQ(landscape.offsetY, (slide.cy - landscape.cy) / 2);
}

TEST(SlideXml, PictureThenTransparentTextPerCell) {
  PageText page;
  page.width = 612;
  page.height = 792;
  Line line;
  Cell cell;
  Word word;
  word.text = "Tom & \"Jerry\"";
  word.x0 = 72;
  word.x1 = 150;
  word.y0 = 100;
  word.y1 = 112;
  word.fontSize = 10;
  cell.words = {word};
  cell.x0 = 72;
  cell.x1 = 150;
  line.cells = {cell};
  line.x0 = 72;
  line.x1 = 150;
  line.y0 = 100;
  line.y1 = 112;
  page.lines = {line};
  const std::string xml = SlideXml(1, page, PlacePage(SlideSizeFor(612, 792), 612, 792));
  EXPECT_NE(xml.find("<a:blip r:embed=\"rId2\"/>"), std::string::npos);
  EXPECT_NE(xml.find("<a:off x=\"914400\" y=\"1270000\"/>"), std::string::npos);  // 72 pt, 100 pt
  EXPECT_NE(xml.find("sz=\"1000\""), std::string::npos);
  EXPECT_NE(xml.find("<a:alpha val=\"0\"/>"), std::string::npos);
  EXPECT_NE(xml.find("<a:t>Tom &amp; &quot;Jerry&quot;</a:t>"), std::string::npos);
  EXPECT_LT(xml.find("<p:pic>"), xml.find("<p:sp>"));  // text on top of the picture
}

TEST(PresentationParts, EverySlideIsListedAndRelated) {
  const std::string types = ContentTypesXml(3);
  EXPECT_NE(types.find("/ppt/slides/slide3.xml"), std::string::npos);
  EXPECT_EQ(types.find("/ppt/slides/slide4.xml"), std::string::npos);
  const std::string presentation = PresentationXml(2, SlideSizeFor(612, 792));
  EXPECT_NE(presentation.find("<p:sldId id=\"257\" r:id=\"rId11\"/>"), std::string::npos);
  EXPECT_NE(presentation.find("<p:sldSz cx=\"7772400\" cy=\"10058400\"/>"), std::string::npos);
  EXPECT_NE(PresentationRelationshipsXml(2).find("Id=\"rId11\" Type=\"http://schemas.openxmlformats.org/"
                                                 "officeDocument/2006/relationships/slide\" Target=\"slides/slide2.xml\""),
            std::string::npos);
  EXPECT_NE(SlideRelationshipsXml(2).find("Target=\"../media/page2.png\""), std::string::npos);
}

TEST(PptxOutput, SlidesPicturesAndSearchableTextThatLibreOfficeReads) {
  ZEMBRA_REQUIRE_PROGRAM("unzip");
  const std::string directory = TestDirectory();
  const std::string pdf = directory + "/text.pdf";
  testing::MakeTextPdf(pdf);
  const std::string pptx = directory + "/deck.pptx";
  std::string error;
  ASSERT_TRUE(Convert(Job(pdf, pptx, 1, 3), error)) << error;
  EXPECT_NE(Capture("file -b '" + pptx + "'").find("PowerPoint 2007+"), std::string::npos);

  int status = 0;
  Capture("unzip -tq '" + pptx + "'", &status);
  EXPECT_EQ(status, 0);
  const std::string names = Capture("unzip -Z1 '" + pptx + "'");
  EXPECT_EQ(names.rfind("[Content_Types].xml\n", 0), 0u);
  for (const char* part : {"ppt/slides/slide1.xml", "ppt/slides/slide3.xml", "ppt/media/page3.png",
                           "ppt/presentation.xml", "ppt/theme/theme1.xml"}) {
    EXPECT_NE(names.find(part), std::string::npos) << part;
  }
  EXPECT_EQ(names.find("slide4.xml"), std::string::npos);
  const std::string slide1 = Capture("unzip -p '" + pptx + "' ppt/slides/slide1.xml");
  EXPECT_NE(slide1.find(">Quarterly Report<"), std::string::npos);
  EXPECT_NE(slide1.find(">Caf\xC3\xA9 d\xC3\xA9j\xC3\xA0 vu \xE2\x80\x93 \xCE\xA9mega<"), std::string::npos);
  // 8.5 x 11 inches at the picture resolution.
  Capture("cd '" + directory + "' && unzip -q '" + pptx + "' ppt/media/page1.png");
  EXPECT_NE(Capture("file -b '" + directory + "/ppt/media/page1.png'").find("1700 x 2200"), std::string::npos);

  // An independent reader opens the package: every slide at the page's
  // size, with its text (fully transparent text is no ink, so it is read
  // from LibreOffice's own document rather than from a print of it).
  ZEMBRA_REQUIRE_PROGRAM("/usr/bin/soffice");
  Capture("cd '" + directory + "' && timeout 120 /usr/bin/soffice " + testing::OfficeProfileArgument() +
              " --headless --norestore --convert-to fodp --outdir back deck.pptx >/dev/null 2>&1",
          &status);
  ASSERT_EQ(status, 0);
  const std::string back = ReadFile(directory + "/back/deck.fodp");
  size_t pages = 0;
  for (size_t at = back.find("<draw:page "); at != std::string::npos; at = back.find("<draw:page ", at + 1)) ++pages;
  EXPECT_EQ(pages, 3u);
  EXPECT_NE(back.find("fo:page-width=\"21.59cm\" fo:page-height=\"27.94cm\""), std::string::npos);
  EXPECT_NE(back.find("Quarterly Report"), std::string::npos);
  EXPECT_NE(back.find("Third page text"), std::string::npos);
}

}  // namespace
}  // namespace zembra::exporter
